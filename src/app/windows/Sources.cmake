target_sources(kv_app PRIVATE CDisplayWindow.cpp CWindowArea.cpp)
