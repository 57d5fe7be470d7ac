# `cpack -G NSIS` in the Windows build folder makes chronvale-<version>-win64.exe with Debian's nsis: the
# program in Program Files, a Start-menu entry and an uninstaller, which removes what was installed and
# leaves every ntp.ini; the set-time service and the group whose members it serves
# (packaging/settimeservice.nsh), with an option, unticked, that lets every interactive user set the clock.
set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME Chronvale)
set(CPACK_PACKAGE_VENDOR Orvelisk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME chronvale-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Chronvale)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Chronvale)
set(CPACK_PACKAGE_EXECUTABLES chronvale Chronvale)
set(CPACK_STRIP_FILES ON)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_DISPLAY_NAME Chronvale)
set(CPACK_NSIS_PACKAGE_NAME Chronvale)
set(CPACK_NSIS_INSTALLED_ICON_NAME chronvale.exe)
set(CPACK_NSIS_MUI_ICON ${CMAKE_CURRENT_SOURCE_DIR}/resources/icons/chronvale.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_CURRENT_SOURCE_DIR}/resources/icons/chronvale.ico)
# A 64-bit Unicode installer for the 64-bit program, from a UTF-8 script (the Chinese texts), with the
# macros of the service; given on makensis' command line, before the script, where CPack leaves no place.
# (Quoted twice: CPack writes the value into its configuration file as it stands.)
set(macros "-X!include /CHARSET=UTF8 '${CMAKE_CURRENT_SOURCE_DIR}/packaging/settimeservice.nsh'")
set(CPACK_NSIS_EXECUTABLE_PRE_ARGUMENTS "-INPUTCHARSET UTF8 \\\"-XTarget amd64-unicode\\\" \\\"${macros}\\\"")
# The option and the first section of all, before any component's files (checks and stops that must come
# first), go where CPack leaves the template's top level open after the compressor is chosen: the code of
# an option this installer does not use.
set(CPACK_NSIS_MANIFEST_DPI_AWARE_CODE "!insertmacro ChronvaleSections")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!insertmacro ChronvaleInstall")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!insertmacro ChronvaleUninstall")

# The event source of the program's lines in the Application log (packaging/eventlog.nsh).
string(APPEND CPACK_NSIS_EXTRA_INSTALL_COMMANDS
    "\n!include '${CMAKE_CURRENT_SOURCE_DIR}/packaging/eventlog.nsh'\n!insertmacro ChronvaleEventLogInstall")
string(APPEND CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "\n!insertmacro ChronvaleEventLogUninstall")

set(CPACK_COMPONENTS_ALL program)
set(CPACK_COMPONENT_PROGRAM_DISPLAY_NAME Chronvale)
set(CPACK_COMPONENT_PROGRAM_DESCRIPTION
    "程序、操作手册和设置时钟的服务 ChronvaleSetTime（以 LocalService 运行，只有设置时间这一项权限）。服务为管理员和本机 Chronvale 组的成员设置时钟；安装的人被加入该组。勾选“所有用户都可设置时钟”时，INTERACTIVE（每个在本机登录的用户）也被加入。")
set(CPACK_COMPONENT_PROGRAM_REQUIRED ON)
include(CPack)
