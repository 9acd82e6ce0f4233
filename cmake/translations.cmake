# The program's texts in other languages. While building, lupdate keeps the Qt Linguist sources
# in i18n/ in step with the code (new texts appear there unfinished, vanished ones go); lrelease
# makes the catalogues that the program carries as resources and loads for the user's locale.
# Included from app/, once every library whose texts are translated exists.
# Only the dev build updates them: one without the Linux backend (dummy, fuzz) would drop its
# texts, translations and all, and another Qt's lupdate (the Wayland hosts' root) writes its own
# layout.
option(TALLYGLASS_LUPDATE "Update the translation sources in i18n/ while building" ON)

set(TALLYGLASS_TS_FILES ${PROJECT_SOURCE_DIR}/i18n/tallyglass_de.ts)

set(translated_sources)
foreach(library tallyglass_core tallyglass_platform tallyglass_ui tallyglass_claude tallyglass_app
                tallyglass tallyglass-inspect)
    get_target_property(folder ${library} SOURCE_DIR)
    get_target_property(files ${library} SOURCES)
    foreach(file IN LISTS files)
        if(file MATCHES "\\.(cpp|h)$")
            cmake_path(ABSOLUTE_PATH file BASE_DIRECTORY ${folder})
            list(APPEND translated_sources ${file})
        endif()
    endforeach()
endforeach()

set(lupdate_stamp ${CMAKE_CURRENT_BINARY_DIR}/lupdate.stamp)
if(TALLYGLASS_LUPDATE)
    # No line numbers: they would change the sources with every edit of the code.
    add_custom_command(
        OUTPUT ${lupdate_stamp}
        COMMAND Qt6::lupdate -silent -locations none -no-obsolete ${translated_sources}
                -ts ${TALLYGLASS_TS_FILES}
        COMMAND ${CMAKE_COMMAND} -E touch ${lupdate_stamp}
        DEPENDS ${translated_sources}
        COMMENT "Updating the translation sources"
        VERBATIM)
else()
    add_custom_command(OUTPUT ${lupdate_stamp}
                       COMMAND ${CMAKE_COMMAND} -E touch ${lupdate_stamp} VERBATIM)
endif()
add_custom_target(tallyglass_lupdate DEPENDS ${lupdate_stamp})

set(catalogues)
foreach(ts IN LISTS TALLYGLASS_TS_FILES)
    cmake_path(GET ts STEM name)
    set(qm ${CMAKE_CURRENT_BINARY_DIR}/i18n/${name}.qm)
    add_custom_command(
        OUTPUT ${qm}
        COMMAND Qt6::lrelease -silent ${ts} -qm ${qm}
        DEPENDS ${ts} ${lupdate_stamp}
        VERBATIM)
    list(APPEND catalogues ${qm})
endforeach()
add_custom_target(tallyglass_catalogues DEPENDS ${catalogues})
qt_add_resources(tallyglass_app translations
    PREFIX /i18n
    BASE ${CMAKE_CURRENT_BINARY_DIR}/i18n
    FILES ${catalogues})
set(TALLYGLASS_TS_FILES ${TALLYGLASS_TS_FILES} PARENT_SCOPE)
