# Install rules of the suite's desktop files, one function per kind of file.
# Each records what it installs (paths under the prefix) in a global property
# CORV_INSTALLED_<KIND>, from which the install and package tests take the
# files to check, so a file added here is checked without more ado.
include(GNUInstallDirs)
# Documents go where Debian keeps them, under the package's name.
set(CORV_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/corvane)

function(_corv_record kind)
    set_property(GLOBAL APPEND PROPERTY CORV_INSTALLED_${kind} ${ARGN})
endfunction()

# Installs files into one directory under the prefix and records them.
function(_corv_install_files kind destination)
    foreach(file IN LISTS ARGN)
        get_filename_component(name ${file} NAME)
        install(FILES ${file} DESTINATION ${destination})
        _corv_record(${kind} ${destination}/${name})
    endforeach()
endfunction()

# corv_install_program(target): a program in bin.
function(corv_install_program target)
    install(TARGETS ${target})
    _corv_record(PROGRAM ${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:${target}>)
endfunction()

# corv_install_udev_rules(file.rules...): under the prefix's lib/udev, which
# is where udev reads them for the prefix /usr.
function(corv_install_udev_rules)
    _corv_install_files(UDEV lib/udev/rules.d ${ARGN})
endfunction()

# corv_install_desktop_entries(file.desktop...)
function(corv_install_desktop_entries)
    _corv_install_files(DESKTOP ${CMAKE_INSTALL_DATADIR}/applications ${ARGN})
endfunction()

# corv_install_mime_defaults(mimeapps.list): which entry opens a file type by
# default, beside the applications, where xdg-mime, GIO and KDE look for it;
# the order of the entries' MimeType lines decides nothing.
function(corv_install_mime_defaults)
    _corv_install_files(MIMEAPPS ${CMAKE_INSTALL_DATADIR}/applications ${ARGN})
endfunction()

# corv_install_mime_types(package.xml...): shared-mime-info packages.
function(corv_install_mime_types)
    _corv_install_files(MIME ${CMAKE_INSTALL_DATADIR}/mime/packages ${ARGN})
endfunction()

# corv_install_metainfo(id.metainfo.xml...): AppStream components.
function(corv_install_metainfo)
    _corv_install_files(METAINFO ${CMAKE_INSTALL_DATADIR}/metainfo ${ARGN})
endfunction()

# corv_gzip(var file): a gzip -9n copy of file made at build time (as Debian
# wants manual pages and changelogs); var is set to its path.
function(corv_gzip var file)
    get_filename_component(name ${file} NAME)
    set(gz ${CMAKE_CURRENT_BINARY_DIR}/gz/${name}.gz)
    add_custom_command(OUTPUT ${gz}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/gz
        COMMAND gzip -9n -c ${file} > ${gz}
        DEPENDS ${file})
    string(MAKE_C_IDENTIFIER gz_${name} target)
    add_custom_target(${target} ALL DEPENDS ${gz})
    set(${var} ${gz} PARENT_SCOPE)
endfunction()

# corv_install_docs(file...): into the suite's documentation directory.
function(corv_install_docs)
    _corv_install_files(DOC ${CORV_INSTALL_DOCDIR} ${ARGN})
endfunction()

# corv_install_examples(file...): the example templates and their demo
# scripts, in the documentation directory's examples/, where the manual pages
# and the manual point.
function(corv_install_examples)
    _corv_install_files(EXAMPLE ${CORV_INSTALL_DOCDIR}/examples ${ARGN})
endfunction()

# corv_install_manual(file...): the HTML user manual, in the documentation
# directory's manual/, where the editor finds it relative to its program.
function(corv_install_manual)
    _corv_install_files(DOC ${CORV_INSTALL_DOCDIR}/manual ${ARGN})
endfunction()

# corv_install_man_page(PAGE page.N PROGRAM target): the page of a program
# whose every long option the tests expect to find in it.
function(corv_install_man_page)
    cmake_parse_arguments(M "" "PAGE;PROGRAM" "" ${ARGN})
    get_filename_component(name ${M_PAGE} NAME)
    string(REGEX REPLACE ".*\\.([1-9])$" "\\1" section ${name})
    corv_gzip(gz ${M_PAGE})
    _corv_install_files(MAN ${CMAKE_INSTALL_MANDIR}/man${section} ${gz})
    set_property(GLOBAL APPEND PROPERTY CORV_MAN_PAGES "${M_PAGE}|${M_PROGRAM}")
endfunction()

# The sizes of the bitmaps rendered from each icon, besides the scalable one.
set(CORV_ICON_SIZES 16 22 24 32 48 64 128 256)

# corv_install_icon(CONTEXT apps|mimetypes SVG file.svg): the SVG in the
# hicolor theme, with PNGs rendered from it at build time at every size.
function(corv_install_icon)
    cmake_parse_arguments(I "" "CONTEXT;SVG" "" ${ARGN})
    find_program(RSVG_CONVERT rsvg-convert REQUIRED)
    get_filename_component(name ${I_SVG} NAME_WE)
    set(theme ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
    _corv_install_files(ICON ${theme}/scalable/${I_CONTEXT} ${I_SVG})
    set(pngs)
    foreach(size IN LISTS CORV_ICON_SIZES)
        set(dir ${size}x${size}/${I_CONTEXT})
        set(png ${CMAKE_CURRENT_BINARY_DIR}/icons/${dir}/${name}.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/icons/${dir}
            COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${I_SVG}
            DEPENDS ${I_SVG} VERBATIM)
        list(APPEND pngs ${png})
        _corv_install_files(ICON ${theme}/${dir} ${png})
    endforeach()
    add_custom_target(icon_${name} ALL DEPENDS ${pngs})
endfunction()
