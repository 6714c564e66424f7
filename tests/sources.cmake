set(PELLACORD_UNIT_TEST_SOURCES
  ${CMAKE_SOURCE_DIR}/tests/engine/LimitsTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/ui/FormatTest.cpp
)
