# trimsight_plugin_objects(IMGUI): the plugin's objects (trimsight_objects:
# the record, entry points, lifecycle, console variables and the per-frame
# drawable) and its folders render/ and settings/, as the desktop, browser
# and Windows builds all make them. IMGUI is the build's Dear ImGui target.
macro(trimsight_plugin_objects imgui)
    add_library(trimsight_objects OBJECT
        ${PROJECT_SOURCE_DIR}/Trimsight.cpp ${PROJECT_SOURCE_DIR}/TrimsightOverlay.cpp)
    target_include_directories(trimsight_objects PUBLIC ${PROJECT_SOURCE_DIR})
    target_compile_definitions(trimsight_objects PRIVATE
        TRIMSIGHT_SOURCE_PATH="${PROJECT_SOURCE_DIR}/Trimsight.cpp")
    target_link_libraries(trimsight_objects PUBLIC pluginsdk ${imgui})
    add_subdirectory(${PROJECT_SOURCE_DIR}/render ${CMAKE_BINARY_DIR}/render)
    add_subdirectory(${PROJECT_SOURCE_DIR}/settings ${CMAKE_BINARY_DIR}/settings)
endmacro()
