# What an installation holds, and the packages CPack makes of it.
set(CPACK_PACKAGE_NAME kivra-zid-update)
set(CPACK_PACKAGE_VENDOR "Kivra Zid")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Brings a Kivra Zid handheld device's firmware to the version it carries")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})

if(WIN32)
    # A folder that runs where it is unpacked: the client, the Qt libraries and plugins it loads, and the MinGW
    # runtime. The list is explicit, and scripts/windows proves it complete by starting the unpacked client in a
    # fresh Wine prefix that reports every DLL it cannot find.
    install(TARGETS kivra-zid-update RUNTIME DESTINATION .)
    get_target_property(kz_qtcore_dll Qt5::Core IMPORTED_LOCATION_RELEASE)
    get_filename_component(kz_qt_bin "${kz_qtcore_dll}" DIRECTORY)
    get_filename_component(kz_qt_prefix "${kz_qt_bin}" DIRECTORY)
    foreach(module Core Gui Widgets SerialPort)
        install(FILES "${kz_qt_bin}/Qt5${module}.dll" DESTINATION .)
    endforeach()
    install(FILES "${kz_qt_prefix}/plugins/platforms/qwindows.dll" DESTINATION platforms)
    install(FILES "${kz_qt_prefix}/plugins/styles/qwindowsvistastyle.dll" DESTINATION styles)
    # The pictures are PNG (built into Qt), JPEG and ICO.
    install(FILES "${kz_qt_prefix}/plugins/imageformats/qjpeg.dll" "${kz_qt_prefix}/plugins/imageformats/qico.dll"
            DESTINATION imageformats)
    foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                        OUTPUT_VARIABLE kz_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT IS_ABSOLUTE "${kz_runtime}" OR NOT EXISTS "${kz_runtime}")
            message(FATAL_ERROR "The MinGW runtime ${runtime} was not found")
        endif()
        install(FILES "${kz_runtime}" DESTINATION .)
    endforeach()

    set(CPACK_GENERATOR ZIP NSIS)
    set(CPACK_PACKAGE_FILE_NAME "kivra-zid-update-${PROJECT_VERSION}-win64")
    set(CPACK_PACKAGE_INSTALL_DIRECTORY "Kivra Zid update client")
    set(CPACK_PACKAGE_EXECUTABLES kivra-zid-update "Kivra Zid update client")
    set(CPACK_NSIS_DISPLAY_NAME "Kivra Zid update client ${PROJECT_VERSION}")
    set(CPACK_NSIS_PACKAGE_NAME "Kivra Zid update client")
    set(CPACK_NSIS_MUI_ICON "${PROJECT_SOURCE_DIR}/resources/brask/image/Logo.ico")
    set(CPACK_NSIS_MUI_UNIICON "${PROJECT_SOURCE_DIR}/resources/brask/image/Logo.ico")
    set(CPACK_NSIS_INSTALLED_ICON_NAME kivra-zid-update.exe)
    set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
    set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
    include(CPack)
endif()
