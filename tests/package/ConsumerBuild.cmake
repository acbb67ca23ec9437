# Installs the build in BUILD_DIR into WORK_DIR/prefix, then configures, builds and runs the
# consumer project in CONSUMER_SOURCE_DIR against that prefix alone.
foreach(var BUILD_DIR CONSUMER_SOURCE_DIR WORK_DIR GENERATOR CXX_COMPILER)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "ConsumerBuild.cmake needs -D${var}=...")
  endif()
endforeach()
if(NOT BUILD_TYPE)
  set(BUILD_TYPE Release)
endif()

function(run_step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${out}\n${err}")
  endif()
  set(step_output "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")

run_step("install" ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}"
  --config "${BUILD_TYPE}")
# One version everywhere: the package, the programs' --version.
file(GLOB version_files "${prefix}/lib*/cmake/kelvoran/kelvoranConfigVersion.cmake")
list(GET version_files 0 version_file)
file(STRINGS "${version_file}" version_line REGEX "^set\\(PACKAGE_VERSION ")
if(DEFINED EXPECTED_VERSION AND NOT version_line MATCHES "\"${EXPECTED_VERSION}\"")
  message(FATAL_ERROR "package version '${version_line}', expected ${EXPECTED_VERSION}")
endif()
foreach(program kelvoran kelvoran-table kelvoran-tabulate)
  run_step("${program} --version" "${prefix}/bin/${program}" --version)
  if(DEFINED EXPECTED_VERSION AND NOT step_output MATCHES "^${program} ${EXPECTED_VERSION}\n")
    message(FATAL_ERROR "${program} --version says: ${step_output}")
  endif()
  if(NOT EXISTS "${prefix}/share/man/man1/${program}.1")
    message(FATAL_ERROR "no man page ${prefix}/share/man/man1/${program}.1 installed")
  endif()
endforeach()

# The documented commands for the consumer (docs/cpp.md) work on a machine set up by the README, which has
# Ninja but no make: the configure command must name its generator.
if(DEFINED README)
  file(STRINGS "${README}" readme_lines REGEX "^cmake -S examples/consumer")
  if(NOT readme_lines)
    message(FATAL_ERROR "docs/cpp.md shows no 'cmake -S examples/consumer' command")
  endif()
  foreach(readme_line ${readme_lines})
    if(NOT readme_line MATCHES " -G Ninja ")
      message(FATAL_ERROR "docs/cpp.md configures the consumer without -G Ninja: ${readme_line}")
    endif()
  endforeach()
endif()

run_step("configure the consumer" ${CMAKE_COMMAND} -S "${CONSUMER_SOURCE_DIR}"
  -B "${WORK_DIR}/build" -G "${GENERATOR}" -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
  -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DCMAKE_PREFIX_PATH=${prefix}
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF)
run_step("build the consumer" ${CMAKE_COMMAND} --build "${WORK_DIR}/build")
run_step("run the consumer" "${WORK_DIR}/build/consumer")
message(STATUS "consumer output:\n${step_output}")
if(NOT step_output MATCHES "T = 25 °C, P = 1 bar, x = 0.01: state ")
  message(FATAL_ERROR "unexpected consumer output:\n${step_output}")
endif()
