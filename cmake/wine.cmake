# ctest runs the Windows programs of a cross build under Wine (Debian's
# wine64), in a Wine prefix of the build's own, with Qt's and the compiler's
# DLLs on its path.
if(NOT CMAKE_CROSSCOMPILING OR CMAKE_CROSSCOMPILING_EMULATOR)
  return()
endif()
find_program(KOV_WINE NAMES wine64 wine HINTS /usr/lib/wine)
if(NOT KOV_WINE)
  return()
endif()
set(dll_dirs)
foreach(dll libstdc++-6.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(dir "${found}" DIRECTORY)
  get_filename_component(dir "${dir}" REALPATH)
  list(APPEND dll_dirs "Z:${dir}")
endforeach()
list(JOIN dll_dirs ";" dll_path)
# Wine passes QT_ variables only with a WINE prefix. The first run makes the
# prefix (cmake/wine-prefix.sh); tests started together wait for it.
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/wine-run.sh CONTENT "#!/bin/sh
export WINEPREFIX='${CMAKE_BINARY_DIR}/wine' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
for v in $(env | grep -o '^QT_[A-Za-z0-9_]*'); do export \"WINE$v=$(printenv \"$v\")\"; done
export WINEPATH='Z:$<TARGET_FILE_DIR:Qt6::Core>;${dll_path}'
[ -f \"$WINEPREFIX/hide-ports.reg\" ] || flock \"$WINEPREFIX.lock\" sh -c '[ -f \"$WINEPREFIX/hide-ports.reg\" ] || sh \"$1\" \"$0\"' '${KOV_WINE}' '${CMAKE_CURRENT_LIST_DIR}/wine-prefix.sh'
exec '${KOV_WINE}' \"$@\"
")
set(CMAKE_CROSSCOMPILING_EMULATOR sh ${CMAKE_BINARY_DIR}/wine-run.sh)

# Qt's own Japanese texts, which the Windows Qt built here leaves out: from
# Debian's translations, beside the test programs, named in their qt.conf.
set(kov_qm /usr/share/qt6/translations/qtbase_ja.qm)
if(EXISTS ${kov_qm})
  file(COPY ${kov_qm} DESTINATION ${CMAKE_BINARY_DIR}/bin/translations)
  file(WRITE ${CMAKE_BINARY_DIR}/bin/qt.conf
       "[Paths]\nPrefix = Z:${QT6_INSTALL_PREFIX}\nTranslations = Z:${CMAKE_BINARY_DIR}/bin/translations\n")
endif()

