target_sources(kv_app PRIVATE
  PanelStyle.cpp CStripLayout.cpp CStripOverflow.cpp CWrapButton.cpp
  CToolbarPanel.cpp CTracePanel.cpp CSpeedPanel.cpp CZoomPanel.cpp CHistoryPanel.cpp CXyPanel.cpp)
