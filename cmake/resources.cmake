# The executable's icon, painted at build time by the same rasteriser the program uses, and
# its version resource.
enable_language(RC)

set(ICON_GENERATOR_SOURCES shell/IconGenerator.cpp shell/IconFile.cpp shell/IconPainter.cpp)
if(CMAKE_CROSSCOMPILING)
  # The generator runs on the build machine, so it is built with the host's compiler.
  find_program(HOST_CXX NAMES c++ g++ clang++ REQUIRED)
  set(ICON_GENERATOR ${CMAKE_BINARY_DIR}/IconGenerator)
  add_custom_command(OUTPUT ${ICON_GENERATOR}
    COMMAND ${HOST_CXX} -std=c++20 -O2 -Wall -Wextra -Werror -I${CMAKE_SOURCE_DIR} ${ICON_GENERATOR_SOURCES}
            -o ${ICON_GENERATOR}
    DEPENDS ${ICON_GENERATOR_SOURCES} shell/IconFile.h shell/IconPainter.h
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    COMMENT "Building the icon generator for the host")
else()
  add_executable(IconGenerator ${ICON_GENERATOR_SOURCES})
  target_include_directories(IconGenerator PRIVATE ${CMAKE_SOURCE_DIR})
  set(ICON_GENERATOR $<TARGET_FILE:IconGenerator>)
endif()

set(ICON_FILE ${CMAKE_BINARY_DIR}/resources/Pellacord.ico)
add_custom_command(OUTPUT ${ICON_FILE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
  COMMAND ${ICON_GENERATOR} ${ICON_FILE}
  DEPENDS ${ICON_GENERATOR}
  COMMENT "Painting Pellacord.ico")

configure_file(${CMAKE_SOURCE_DIR}/shell/Version.h.in ${CMAKE_BINARY_DIR}/resources/Version.h)
configure_file(${CMAKE_SOURCE_DIR}/shell/Pellacord.manifest.in ${CMAKE_BINARY_DIR}/resources/Pellacord.manifest @ONLY)
target_sources(Pellacord PRIVATE shell/Pellacord.rc)
set_source_files_properties(shell/Pellacord.rc PROPERTIES OBJECT_DEPENDS
                            "${ICON_FILE};${CMAKE_BINARY_DIR}/resources/Pellacord.manifest")
target_include_directories(Pellacord PRIVATE ${CMAKE_BINARY_DIR}/resources)
