set(PELLACORD_UNIT_TEST_SOURCES
  ${CMAKE_SOURCE_DIR}/tests/engine/ConnectionsTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/engine/EvaluatorTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/engine/LimitsTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/engine/PowerRequestTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/engine/SamplerTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/files/LogTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/files/PathsTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/files/SettingsTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/ui/FormatTest.cpp
)

set(PELLACORD_WIN_TEST_SOURCES
  ${CMAKE_SOURCE_DIR}/tests/engine/EngineWineTest_win.cpp
  ${CMAKE_SOURCE_DIR}/tests/files/FilesWineTest_win.cpp
)
