# The report list and the commands every tool window offers on its lists:
# selection, header sort, find, send message, copy and export; the tool
# windows' common base.
add_library(vantor_lists STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ReportListModel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReportList.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ListCommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SendMessage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ToolWindowBase.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ListExport.cpp
)
set_target_properties(vantor_lists PROPERTIES AUTOMOC ON)
target_include_directories(vantor_lists PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vantor_lists PUBLIC vantor_widgets vantor_pattern vantor_netenum
                                         vantor_listformat Qt6::Widgets)
