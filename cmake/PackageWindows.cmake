# `cpack -G NSIS` in the Windows build folder makes chronvale-<version>-win64.exe with Debian's nsis: the
# program in Program Files, a Start-menu entry and an uninstaller, which removes what was installed and
# leaves the user's ntp.ini. An option, unticked, adds a scheduled task (packaging/logontask.nsh).
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
# A 64-bit Unicode installer for the 64-bit program, from a UTF-8 script (the option's Chinese texts), with the
# macros of the logon task; given on makensis' command line, before the script, where CPack leaves no place.
# (Quoted twice: CPack writes the value into its configuration file as it stands.)
set(macros "-X!include /CHARSET=UTF8 '${CMAKE_CURRENT_SOURCE_DIR}/packaging/logontask.nsh'")
set(CPACK_NSIS_EXECUTABLE_PRE_ARGUMENTS "-INPUTCHARSET UTF8 \\\"-XTarget amd64-unicode\\\" \\\"${macros}\\\"")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!insertmacro ChronvaleLogonTaskInstall")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!insertmacro ChronvaleLogonTaskUninstall")

# The event source of the program's lines in the Application log (packaging/eventlog.nsh).
string(APPEND CPACK_NSIS_EXTRA_INSTALL_COMMANDS
    "\n!include '${CMAKE_CURRENT_SOURCE_DIR}/packaging/eventlog.nsh'\n!insertmacro ChronvaleEventLogInstall")
string(APPEND CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "\n!insertmacro ChronvaleEventLogUninstall")

set(CPACK_COMPONENTS_ALL program logontask)
set(CPACK_COMPONENT_PROGRAM_DISPLAY_NAME Chronvale)
set(CPACK_COMPONENT_PROGRAM_REQUIRED ON)
set(CPACK_COMPONENT_LOGONTASK_DISPLAY_NAME "登录时以管理员权限运行并自动对时")
set(CPACK_COMPONENT_LOGONTASK_DESCRIPTION
    "每次您登录时由任务计划程序以管理员权限启动本程序，使其能够设置系统时间。勾选后请不要再勾选程序中的“开机运行”，以免先启动一个无权对时的副本。卸载时删除该任务。")
set(CPACK_COMPONENT_LOGONTASK_DISABLED ON)
include(CPack)
