target_sources(kv_app PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CQtUiSeam.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CIcons.cpp)
