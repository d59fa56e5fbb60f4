# CPack's own NSIS template, made into a 64-bit installer at configure time: CPack finds NSIS.template.in on the
# module path before its own. What changes, and why:
#  - Target amd64-unicode: the installer is a 64-bit program, so $PROGRAMFILES64 is "Program Files" and 32-bit
#    Windows refuses to start it, as it must refuse the 64-bit client;
#  - SetRegView 64 in the installer's and the uninstaller's start: the uninstall entry, and the lookup of an earlier
#    installation to remove before an upgrade, are in the 64-bit registry view where Windows lists 64-bit programs;
#  - EstimatedSize in the uninstall entry, which Windows shows as the program's size;
#  - the installer and its uninstaller are signed as makensis writes them (scripts/lib/sign-windows, which does
#    nothing unless a certificate is given);
#  - SetDateSave off: the installed files get the time of their installation, and the installer holds no time of
#    its build, so that two builds of one commit give the same installer.
set(kz_nsis_stock "${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in")
file(READ "${kz_nsis_stock}" kz_nsis)

# kz_nsis_patch(<anchor> <replacement>): the anchor must be there exactly once, so that a CMake whose template
# differs stops the configuration here instead of making a different installer.
function(kz_nsis_patch anchor replacement)
    string(FIND "${kz_nsis}" "${anchor}" first)
    string(FIND "${kz_nsis}" "${anchor}" last REVERSE)
    if(first EQUAL -1 OR NOT first EQUAL last)
        message(FATAL_ERROR "CPack's NSIS template (${kz_nsis_stock}) does not hold this once:\n${anchor}")
    endif()
    string(REPLACE "${anchor}" "${replacement}" patched "${kz_nsis}")
    set(kz_nsis "${patched}" PARENT_SCOPE)
endfunction()

set(kz_sign "${PROJECT_SOURCE_DIR}/scripts/lib/sign-windows")
kz_nsis_patch("  !include \"MUI.nsh\"\n" "  Target amd64-unicode\n  !include \"MUI.nsh\"\n  !include \"FileFunc.nsh\"\n")
kz_nsis_patch("  RequestExecutionLevel admin\n" "  RequestExecutionLevel admin
  SetDateSave off
  !finalize '\"${kz_sign}\" \"%1\"' = 0
  !uninstfinalize '\"${kz_sign}\" \"%1\"' = 0
")
kz_nsis_patch("Function .onInit\n" "Function .onInit\n  SetRegView 64\n")
kz_nsis_patch("Function un.onInit\n" "Function un.onInit\n  SetRegView 64\n")
kz_nsis_patch("  Push \"DisplayIcon\"\n  Push \"$INSTDIR\\@CPACK_NSIS_INSTALLED_ICON_NAME@\"\n  Call ConditionalAddToRegistry\n"
              "  Push \"DisplayIcon\"\n  Push \"$INSTDIR\\@CPACK_NSIS_INSTALLED_ICON_NAME@\"\n  Call ConditionalAddToRegistry
  \${GetSize} \"$INSTDIR\" \"/S=0K\" $0 $1 $2
  IntFmt $0 \"0x%08X\" $0
  WriteRegDWORD SHCTX \"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\@CPACK_PACKAGE_INSTALL_REGISTRY_KEY@\" \"EstimatedSize\" \"$0\"
")

file(WRITE "${CMAKE_BINARY_DIR}/nsis/NSIS.template.in" "${kz_nsis}")
list(PREPEND CMAKE_MODULE_PATH "${CMAKE_BINARY_DIR}/nsis")
