# What a Windows user downloads: quorlix-<version>-win64.zip holding the
# three programs and README.txt at its top (no folder of its own, as Windows'
# "Extract all" already makes one), without bin/ or the man page.
install(TARGETS quorlix quorlix-uci quorlix-tool RUNTIME DESTINATION .)

# Notepad on older Windows shows LF-only text as one long line.
configure_file(doc/README-windows.txt README.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# Symbols of the static runtime would quadruple the download.
set(CPACK_STRIP_FILES ON)
include(CPack)
