target_sources(kv_app PRIVATE CMainFrame.cpp CFramePanels.cpp CKiveloApp.cpp CCommandModule.cpp CQuitOnSignal.cpp)
