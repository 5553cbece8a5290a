target_sources(kv_app PRIVATE CMainFrame.cpp CFramePanels.cpp CKiveloApp.cpp CCommandHost.cpp CQuitOnSignal.cpp)
