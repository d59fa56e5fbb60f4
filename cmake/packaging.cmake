# What an installation holds, and the packages CPack makes of it.
set(CPACK_PACKAGE_NAME ${KZ_PROGRAM_NAME})
set(CPACK_PACKAGE_VENDOR "${KZ_DEVICE_NAME}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Brings a ${KZ_DEVICE_NAME} handheld device's firmware to the version it carries")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})

if(WIN32)
    # A folder that runs where it is unpacked: the client, the Qt libraries and plugins it loads, and the MinGW
    # runtime. The list is explicit, and scripts/windows proves it complete by starting the unpacked client in a
    # fresh Wine prefix that reports every DLL it cannot find.
    install(TARGETS ${KZ_PROGRAM_NAME} RUNTIME DESTINATION .)
    # Signed as it is installed, so the ZIP and the installer both carry the signed client (when a certificate is
    # given: scripts/lib/sign-windows).
    install(CODE "execute_process(COMMAND \"${PROJECT_SOURCE_DIR}/scripts/lib/sign-windows\"
                                          \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${KZ_PROGRAM_NAME}.exe\"
                                  RESULT_VARIABLE kz_signed)
                  if(NOT kz_signed EQUAL 0)
                      message(FATAL_ERROR \"Signing the client failed\")
                  endif()")
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
    # The toolkit's own catalogues for the client's languages other than English (platform-independent files).
    foreach(catalogue ${KZ_TOOLKIT_CATALOGUES})
        install(FILES "${catalogue}" DESTINATION .)
    endforeach()
    foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                        OUTPUT_VARIABLE kz_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT IS_ABSOLUTE "${kz_runtime}" OR NOT EXISTS "${kz_runtime}")
            message(FATAL_ERROR "The MinGW runtime ${runtime} was not found")
        endif()
        install(FILES "${kz_runtime}" DESTINATION .)
    endforeach()

    set(CPACK_GENERATOR ZIP NSIS)
    set(CPACK_PACKAGE_FILE_NAME "${KZ_PROGRAM_NAME}-${PROJECT_VERSION}-win64")
    set(CPACK_PACKAGE_INSTALL_DIRECTORY "${KZ_CLIENT_NAME}")
    # A 64-bit installer (cmake/nsis-template.cmake) into the 64-bit "Program Files".
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
    # The same uninstall entry for every version, so that an upgrade finds the earlier one and removes it first.
    set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "${KZ_CLIENT_NAME}")
    set(CPACK_PACKAGE_EXECUTABLES ${KZ_PROGRAM_NAME} "${KZ_CLIENT_NAME}")
    set(CPACK_NSIS_DISPLAY_NAME "${KZ_CLIENT_NAME} ${PROJECT_VERSION}")
    set(CPACK_NSIS_PACKAGE_NAME "${KZ_CLIENT_NAME}")
    set(CPACK_NSIS_MUI_ICON "${PROJECT_SOURCE_DIR}/resources/brask/image/Logo.ico")
    set(CPACK_NSIS_MUI_UNIICON "${PROJECT_SOURCE_DIR}/resources/brask/image/Logo.ico")
    set(CPACK_NSIS_INSTALLED_ICON_NAME ${KZ_PROGRAM_NAME}.exe)
    set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
    set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
    # The run history's folder (docs/history.md), for whoever clicks it: the shell resolves "Local AppData" for the
    # user at hand, not the one who installed.
    set(CPACK_NSIS_CREATE_ICONS_EXTRA "CreateShortCut '$SMPROGRAMS\\$STARTMENU_FOLDER\\Update history.lnk' '$WINDIR\\explorer.exe' 'shell:Local AppData\\${KZ_PROGRAM_NAME}'")
    set(CPACK_NSIS_DELETE_ICONS_EXTRA "Delete '$SMPROGRAMS\\$MUI_TEMP\\Update history.lnk'")
    include(cmake/nsis-template.cmake)
    include(CPack)
    return()
endif()

# Linux: a Debian package that installs the client for every user of the machine.
include(GNUInstallDirs)
set(kz_linux "${PROJECT_SOURCE_DIR}/resources/linux")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KZ_DEVICE_NAME} update team <support@kivra-zid.example>")
# The changelog, the AppStream metadata and the manual page, with the releases of the release table.
include(cmake/releasedocs.cmake)
install(TARGETS ${KZ_PROGRAM_NAME} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES "${kz_linux}/${KZ_PROGRAM_NAME}.desktop" DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# What software centres list: the client, its release, its licences and the USB device it serves.
install(FILES "${KZ_LINUX_DOCS}/example.kivra_zid.update.metainfo.xml" DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The theme's icons, made from the window icon at build time.
set(kz_icon_sizes 16 24 32 48 64 128 256)
add_executable(kivra-zid-icons "${kz_linux}/make_icons.cpp")
target_link_libraries(kivra-zid-icons PRIVATE Qt5::Gui)
set(kz_icons "${CMAKE_CURRENT_BINARY_DIR}/icons")
set(kz_icon_files)
foreach(size ${kz_icon_sizes})
    list(APPEND kz_icon_files "${kz_icons}/${size}/${KZ_PROGRAM_NAME}.png")
    install(FILES "${kz_icons}/${size}/${KZ_PROGRAM_NAME}.png"
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_command(OUTPUT ${kz_icon_files}
                   COMMAND kivra-zid-icons "${PROJECT_SOURCE_DIR}/resources/brask/image/Logo.ico" "${kz_icons}"
                           ${kz_icon_sizes}
                   DEPENDS kivra-zid-icons "${PROJECT_SOURCE_DIR}/resources/brask/image/Logo.ico"
                   COMMENT "Theme icons from Logo.ico")
add_custom_target(kivra-zid-theme-icons ALL DEPENDS ${kz_icon_files})

# Access to the device's port for the user at the seat (see the rule's own comment).
install(FILES "${kz_linux}/70-${KZ_PROGRAM_NAME}.rules" DESTINATION lib/udev/rules.d)

# What Debian asks of every package: its copyright, a changelog and a manual page, compressed as dpkg expects.
set(kz_doc "${CMAKE_CURRENT_BINARY_DIR}/doc")
add_custom_command(OUTPUT "${kz_doc}/changelog.gz" "${kz_doc}/${KZ_PROGRAM_NAME}.1.gz"
                   COMMAND ${CMAKE_COMMAND} -E make_directory "${kz_doc}"
                   COMMAND gzip -9n -c "${KZ_LINUX_DOCS}/changelog" > "${kz_doc}/changelog.gz"
                   COMMAND gzip -9n -c "${KZ_LINUX_DOCS}/${KZ_PROGRAM_NAME}.1" > "${kz_doc}/${KZ_PROGRAM_NAME}.1.gz"
                   DEPENDS "${KZ_LINUX_DOCS}/changelog" "${KZ_LINUX_DOCS}/${KZ_PROGRAM_NAME}.1")
add_custom_target(kivra-zid-docs ALL DEPENDS "${kz_doc}/changelog.gz" "${kz_doc}/${KZ_PROGRAM_NAME}.1.gz")
install(FILES "${kz_linux}/copyright" "${kz_doc}/changelog.gz" DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${KZ_PROGRAM_NAME})
install(FILES "${kz_doc}/${KZ_PROGRAM_NAME}.1.gz" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The toolkit's own texts (standard buttons) in the client's languages come from the system's Qt catalogues.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qttranslations5-l10n")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kivra-zid.example/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware updater for the ${KZ_DEVICE_NAME} handheld device")
# The long description; CPack puts the summary above it as the synopsis line and indents every line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Connects to a ${KZ_DEVICE_NAME} device over its CP210x USB serial bridge, reads its
firmware version and identity, and writes the firmware version the program
carries when the device needs it, in a window that leads the user through
each step.")
include(CPack)
