# Headers are included by their path from the top of the source tree
# ("template/Template.h", "runtime/TfrmMain.h"), so every #include names the
# layer it reaches into, and two headers of one name can never be confused.
#
# corv_headers(target [PRIVATE header...]) publishes the headers among the
# target's sources: to everything that links the target, but for those named
# PRIVATE, which only the target itself sees, and targets that link
# <target>_internal (the tests of a backend). A layer that the target does
# not link has no header to include, so a wrong arrow fails to compile.
#
# Each published header is a one-line forwarder in the build tree to the
# file in the source tree, so that compilers and tools report the real path.
function(corv_headers target)
    cmake_parse_arguments(H "" "" "PRIVATE" ${ARGN})
    file(RELATIVE_PATH layer ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    set(public_dir ${PROJECT_BINARY_DIR}/include/${target})
    set(private_dir ${PROJECT_BINARY_DIR}/include/${target}_internal)
    get_target_property(sources ${target} SOURCES)
    set(have_private FALSE)
    set(written "")
    foreach(header IN LISTS sources)
        if(NOT header MATCHES "\\.h$")
            continue()
        endif()
        if(header IN_LIST H_PRIVATE)
            set(dir ${private_dir})
            set(have_private TRUE)
        else()
            set(dir ${public_dir})
        endif()
        # Written only when it changes, so a new configure rebuilds nothing.
        file(CONFIGURE OUTPUT ${dir}/${layer}/${header}
            CONTENT "#include \"${CMAKE_CURRENT_SOURCE_DIR}/${header}\"\n" @ONLY)
        list(APPEND written ${dir}/${layer}/${header})
    endforeach()
    # A header that left the target leaves its forwarder behind otherwise.
    file(GLOB_RECURSE existing ${public_dir}/* ${private_dir}/*)
    foreach(stale IN LISTS existing)
        if(NOT stale IN_LIST written)
            file(REMOVE ${stale})
        endif()
    endforeach()
    target_include_directories(${target} PUBLIC ${public_dir})
    if(have_private)
        target_include_directories(${target} PRIVATE ${private_dir})
        add_library(${target}_internal INTERFACE)
        target_include_directories(${target}_internal INTERFACE ${private_dir})
        target_link_libraries(${target}_internal INTERFACE ${target})
    endif()
endfunction()
