# The program's version data, generated from project(VERSION): a VERSIONINFO resource for the
# Windows executables and a compiled-in version table for the Linux build. Both answer the same
# queries, so the version reader finds the same texts on either platform.
include_guard(GLOBAL)

set(QMR_VERSION_LANGUAGE "0419")   # Russian (Russia)
set(QMR_VERSION_CODEPAGE "04E3")   # 1251
set(QMR_VERSION_FILE_VERSION "${PROJECT_VERSION}")
set(QMR_VERSION_PRODUCT_VERSION "1.0.0.0")
set(QMR_VERSION_PRODUCT_NAME "Quillmere")
set(QMR_VERSION_FILE_DESCRIPTION "Quillmere")
set(QMR_VERSION_INTERNAL_NAME "qmr.exe")
set(QMR_VERSION_ORIGINAL_FILENAME "qmr.exe")
set(QMR_VERSION_COMPANY_NAME "Quillmere developers")
set(QMR_VERSION_LEGAL_COPYRIGHT "Copyright (C) 2026 Quillmere developers")

# VERSIONINFO wants four comma-separated numbers.
function(_qmr_version_commas version out)
    string(REPLACE "." ";" parts "${version}")
    list(LENGTH parts count)
    while(count LESS 4)
        list(APPEND parts 0)
        math(EXPR count "${count} + 1")
    endwhile()
    list(SUBLIST parts 0 4 parts)
    string(REPLACE ";" "," commas "${parts}")
    set(${out} "${commas}" PARENT_SCOPE)
endfunction()
_qmr_version_commas("${QMR_VERSION_FILE_VERSION}" QMR_VERSION_FILE_VERSION_COMMAS)
_qmr_version_commas("${QMR_VERSION_PRODUCT_VERSION}" QMR_VERSION_PRODUCT_VERSION_COMMAS)

# Cached so that qmr_add_version_resource finds them from any folder.
set(QMR_VERSION_RC "${PROJECT_BINARY_DIR}/generated/version/qmr_version.rc" CACHE INTERNAL "")
set(QMR_VERSION_TABLE_SOURCE "${PROJECT_BINARY_DIR}/generated/version/compiled_version_table.cpp"
    CACHE INTERNAL "")
configure_file("${PROJECT_SOURCE_DIR}/resources/version/qmr_version.rc.in" "${QMR_VERSION_RC}" @ONLY)
configure_file("${PROJECT_SOURCE_DIR}/resources/version/compiled_version_table.cpp.in"
               "${QMR_VERSION_TABLE_SOURCE}" @ONLY)

if(WIN32)
    set(_qmr_windres_names)
    if(CMAKE_RC_COMPILER)
        list(APPEND _qmr_windres_names "${CMAKE_RC_COMPILER}")
    endif()
    # The cross compiler's own windres: x86_64-w64-mingw32-g++ goes with x86_64-w64-mingw32-windres.
    get_filename_component(_qmr_cxx_name "${CMAKE_CXX_COMPILER}" NAME)
    if(_qmr_cxx_name MATCHES "^(.*-)g\\+\\+")
        list(APPEND _qmr_windres_names "${CMAKE_MATCH_1}windres")
    endif()
    list(APPEND _qmr_windres_names windres)
    find_program(QMR_WINDRES NAMES ${_qmr_windres_names} REQUIRED)
endif()

# qmr_add_version_resource(<target>): compiles the version resource into a Windows executable;
# does nothing elsewhere, where qmr_shell carries the version table. Call it in the directory
# that creates the target.
function(qmr_add_version_resource target)
    if(NOT WIN32)
        return()
    endif()
    set(object "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.res.o")
    add_custom_command(
        OUTPUT "${object}"
        COMMAND "${QMR_WINDRES}" -O coff -i "${QMR_VERSION_RC}" -o "${object}"
        DEPENDS "${QMR_VERSION_RC}"
        COMMENT "Compiling the version resource of ${target}"
        VERBATIM)
    set_source_files_properties("${object}" PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)
    target_sources(${target} PRIVATE "${object}")
endfunction()
