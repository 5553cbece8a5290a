target_sources(kv_app PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/DialogSupport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CScaleDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CZoomPositionDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CCursorTimeDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CTraceSelectDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CAboutBox.cpp)
