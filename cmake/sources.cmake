# Portable sources: build on the host and with MinGW.
set(PELLACORD_CORE_SOURCES
  base/CaseFold.cpp
  base/Format.cpp
  base/Text.cpp
  base/Utf8.cpp
  engine/Connections.cpp
  engine/Evaluator.cpp
  engine/Finish.cpp
  engine/LimitOverride.cpp
  engine/Limits.cpp
  engine/PidSet.cpp
  engine/PowerLimits.cpp
  engine/PowerRequest.cpp
  engine/Sampler.cpp
  engine/Watch.cpp
  engine/WatchStatus.cpp
  files/FileReplace.cpp
  files/Log.cpp
  files/LogWriter.cpp
  files/Paths.cpp
  files/Settings.cpp
  shell/Apps.cpp
  shell/CommandLine.cpp
  shell/CommandQueue.cpp
  shell/Commands.cpp
  shell/Controller.cpp
  shell/ControllerFinish.cpp
  shell/ControllerTargets.cpp
  shell/RunConsole.cpp
  shell/RunLine.cpp
  shell/SingleInstance.cpp
  shell/IconFile.cpp
  shell/IconPainter.cpp
  shell/Theme.cpp
  shell/Tray.cpp
  ui/Accessible.cpp
  ui/AppList.cpp
  ui/AppListView.cpp
  ui/AppRow.cpp
  ui/DrawKit.cpp
  ui/Format.cpp
  ui/Keyboard.cpp
  ui/Layout.cpp
  ui/MainText.cpp
  ui/Palette.cpp
  ui/Sliders.cpp
)

# Win32 layer: only the Windows build compiles these.
set(PELLACORD_WIN_SOURCES
  base/SystemLibrary_win.cpp
  engine/Connections_win.cpp
  engine/Finish_win.cpp
  engine/PowerLimits_win.cpp
  engine/PowerRequest_win.cpp
  engine/Sampler_win.cpp
  files/Log_win.cpp
  files/Settings_win.cpp
  shell/Apps_win.cpp
  shell/Console_win.cpp
  shell/Dpi_win.cpp
  shell/ControllerPlatform_win.cpp
  shell/IconPainter_win.cpp
  shell/Launch_win.cpp
  shell/MainAccessible_win.cpp
  shell/MainDpi_win.cpp
  shell/MainKeyboard_win.cpp
  shell/MainWindow_win.cpp
  shell/ProcessLookup_win.cpp
  shell/SingleInstance_win.cpp
  shell/Theme_win.cpp
  shell/Tray_win.cpp
  shell/Version_win.cpp
  ui/Accessible_win.cpp
  ui/AppListView_win.cpp
  ui/AppRow_win.cpp
  ui/DrawKit_win.cpp
  ui/MainPaint_win.cpp
)

set(PELLACORD_MAIN_SOURCES
  shell/Main_win.cpp
)

# Import libraries of the system DLLs the program links to. iphlpapi and dwmapi are loaded at
# run time and never appear here.
set(PELLACORD_SYSTEM_LIBS kernel32 user32 gdi32 advapi32 shell32)
