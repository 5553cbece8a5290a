target_sources(kv_appcore PRIVATE CommandTable.cpp)
target_sources(kv_appcore PRIVATE ValueParse.cpp)
target_sources(kv_appcore PRIVATE SettingsRecord.cpp SettingsStore.cpp SettingsRules.cpp)
target_sources(kv_appcore PRIVATE FramePlacement.cpp)
