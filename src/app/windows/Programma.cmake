# The Windows program: a windowed program (no console), with its icon, version information and
# manifest, and what must lie beside it to run: Qt's DLLs and plugins and the MinGW runtime.
# "cmake --install" puts all of it into one folder, the one a practice's PC receives.

set(OV_TITOLARE "Corvitel-Amberlo")
set(OV_DESCRIZIONE "Tracciato Regione Puglia (ACCESSI, PPIP, VACCINI, BILSALU) da Orvella")
set(OV_VERSIONE_VIRGOLE "${PROJECT_VERSION_MAJOR},0,0,0")
set(OV_VERSIONE_QUATTRO "${PROJECT_VERSION_MAJOR}.0.0.0")
set(OV_ICONA ${CMAKE_CURRENT_LIST_DIR}/ov_pip.ico)
# Windows refuses to start a program whose manifest names another processor than its file.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(OV_ARCHITETTURA x86)
else()
  set(OV_ARCHITETTURA amd64)
endif()
set(OV_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/ov_pip.manifest)
configure_file(${CMAKE_CURRENT_LIST_DIR}/ov_pip.manifest ${OV_MANIFEST} @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/ov_pip.rc.in ${CMAKE_CURRENT_BINARY_DIR}/ov_pip.rc @ONLY)
target_sources(ov_pip PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/ov_pip.rc)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/ov_pip.rc PROPERTIES OBJECT_DEPENDS "${OV_ICONA};${OV_MANIFEST}")
set_target_properties(ov_pip PROPERTIES WIN32_EXECUTABLE TRUE)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # A 32-bit program that may use 4 GB on 64-bit Windows, not 2: a large practice's extract is
  # parsed whole in memory.
  target_link_options(ov_pip PRIVATE -Wl,--large-address-aware)
endif()

# The runtime DLLs that Qt's DLLs and the program share, found where the compiler keeps them. The
# GCC runtime is named after its unwinder: DWARF-2 on 32-bit Windows, SEH on 64-bit.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(OV_DLL_GCC libgcc_s_dw2-1.dll)
else()
  set(OV_DLL_GCC libgcc_s_seh-1.dll)
endif()
set(OV_DLL_RUNTIME)
foreach(dll libstdc++-6.dll ${OV_DLL_GCC} libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE percorso OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${percorso}" OR NOT EXISTS "${percorso}")
    message(FATAL_ERROR "${dll} not found beside the MinGW-w64 compiler")
  endif()
  get_filename_component(percorso "${percorso}" REALPATH)
  list(APPEND OV_DLL_RUNTIME ${percorso})
endforeach()

# Listed by hand: CMake's own runtime-dependency search lower-cases DLL names on Linux and then
# misses Qt's. These are exactly what the program imports, directly or through Qt.
install(TARGETS ov_pip RUNTIME DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets> ${OV_DLL_RUNTIME}
  DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
# The copies that ship carry no symbols (the C++ runtime alone goes from 24 MB to 2 MB, the
# program from 20 MB to 3 MB); the build folder keeps them for debugging.
install(CODE "
  file(GLOB_RECURSE ov_dll \"\${CMAKE_INSTALL_PREFIX}/*.dll\" \"\${CMAKE_INSTALL_PREFIX}/*.exe\")
  foreach(dll \${ov_dll})
    execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\${dll}\" RESULT_VARIABLE esito)
    if(esito)
      message(FATAL_ERROR \"cannot strip \${dll}\")
    endif()
  endforeach()
")
