# The shape-file codec: rest shape and picture as a property list, stems and
# the listing of saved files.
add_library(lumo_shape_file STATIC ${CMAKE_CURRENT_LIST_DIR}/shape_file.cpp)
target_include_directories(lumo_shape_file PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(lumo_shape_file PUBLIC lumo_plist)
