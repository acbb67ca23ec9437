# Installs the build in BUILD_DIR into WORK_DIR/prefix and checks the shared library there (its
# soname, that it exports the C interface alone), then builds the C example with pkg-config (as
# C99 and C11) and with the CMake package, and the Fortran example with pkg-config and the
# installed module, runs all three and checks what they print: the same lines from each.
foreach(var BUILD_DIR SOURCE_DIR WORK_DIR GENERATOR EXPECTED_VERSION SOVERSION C_COMPILER
    FORTRAN_COMPILER PKG_CONFIG NM OBJDUMP)
  if(NOT DEFINED ${var} OR "${${var}}" MATCHES "NOTFOUND$" OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "ExamplesBuild.cmake needs ${var} (a C compiler, gfortran, pkg-config "
      "and binutils: scripts/test.sh installs them); it is '${${var}}'")
  endif()
endforeach()
if(NOT BUILD_TYPE)
  set(BUILD_TYPE Release)
endif()

function(run_step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err
    WORKING_DIRECTORY "${WORK_DIR}")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${out}\n${err}")
  endif()
  set(step_output "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")
run_step("install" ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}"
  --config "${BUILD_TYPE}")

# The library: libkelvoran.so → libkelvoran.so.SOVERSION → libkelvoran.so.VERSION, whose soname
# is libkelvoran.so.SOVERSION, exporting kelvoran_* functions and nothing else.
file(GLOB pc_files "${prefix}/lib*/pkgconfig/kelvoran.pc")
list(LENGTH pc_files pc_count)
if(NOT pc_count EQUAL 1)
  message(FATAL_ERROR "expected one installed kelvoran.pc, found: ${pc_files}")
endif()
get_filename_component(pc_dir "${pc_files}" DIRECTORY)
get_filename_component(libdir "${pc_dir}" DIRECTORY)
set(library "${libdir}/libkelvoran.so.${EXPECTED_VERSION}")
foreach(link "libkelvoran.so" "libkelvoran.so.${SOVERSION}")
  if(NOT IS_SYMLINK "${libdir}/${link}")
    message(FATAL_ERROR "${libdir}/${link} is not a symbolic link")
  endif()
endforeach()
if(NOT EXISTS "${library}" OR IS_SYMLINK "${library}")
  message(FATAL_ERROR "no library file ${library}")
endif()
run_step("objdump -p" ${OBJDUMP} -p "${library}")
if(NOT step_output MATCHES "SONAME +libkelvoran\\.so\\.${SOVERSION}\n")
  message(FATAL_ERROR "soname of ${library} is not libkelvoran.so.${SOVERSION}:\n${step_output}")
endif()
run_step("nm -D" ${NM} -D --defined-only "${library}")
string(REGEX MATCHALL "[^\n]+" symbols "${step_output}")
set(exported 0)
foreach(line ${symbols})
  if(NOT line MATCHES " kelvoran_[a-z0-9_]+$")
    message(FATAL_ERROR "libkelvoran.so exports more than the C interface: ${line}")
  endif()
  math(EXPR exported "${exported} + 1")
endforeach()
if(exported LESS 10)
  message(FATAL_ERROR "libkelvoran.so exports too little:\n${step_output}")
endif()

# pkg-config, from the installed kelvoran.pc alone.
set(ENV{PKG_CONFIG_PATH} "${pc_dir}")
set(ENV{PKG_CONFIG_LIBDIR} "${pc_dir}")
run_step("pkg-config --modversion" ${PKG_CONFIG} --modversion kelvoran)
if(NOT step_output STREQUAL "${EXPECTED_VERSION}\n")
  message(FATAL_ERROR "kelvoran.pc has version ${step_output}, expected ${EXPECTED_VERSION}")
endif()
foreach(query cflags libs variable=libdir variable=fortran_module)
  run_step("pkg-config --${query}" ${PKG_CONFIG} --${query} kelvoran)
  string(STRIP "${step_output}" value)
  separate_arguments(value UNIX_COMMAND "${value}")
  string(REPLACE "variable=" "" name "${query}")
  set(pc_${name} ${value})
endforeach()
if(NOT EXISTS "${pc_fortran_module}")
  message(FATAL_ERROR "kelvoran.pc names a Fortran module that is not installed: ${pc_fortran_module}")
endif()
set(rpath "-Wl,-rpath,${pc_libdir}")

# The C example: pkg-config, as C99 (built and run) and as C11 (compiled), warnings as errors.
set(c_flags -Wall -Wextra -Wpedantic -Werror)
run_step("compile the C example as C11" ${C_COMPILER} -std=c11 ${c_flags} ${pc_cflags}
  -fsyntax-only "${SOURCE_DIR}/examples/c/cells.c")
run_step("build the C example" ${C_COMPILER} -std=c99 ${c_flags} ${pc_cflags}
  "${SOURCE_DIR}/examples/c/cells.c" ${pc_libs} ${rpath} -o "${WORK_DIR}/cells-c")
run_step("run the C example" "${WORK_DIR}/cells-c")
set(c_output "${step_output}")

# The C example through the CMake package (kelvoran::shared).
run_step("configure the C example" ${CMAKE_COMMAND} -S "${SOURCE_DIR}/examples/c"
  -B "${WORK_DIR}/cmake-build" -G "${GENERATOR}" -DCMAKE_C_COMPILER=${C_COMPILER}
  -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DCMAKE_PREFIX_PATH=${prefix}
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF)
run_step("build the C example with CMake" ${CMAKE_COMMAND} --build "${WORK_DIR}/cmake-build")
run_step("run the C example built with CMake" "${WORK_DIR}/cmake-build/cells")
set(cmake_output "${step_output}")

# The Fortran example: the installed module's source compiled here, Fortran 2008.
set(f_flags -std=f2008 -Wall -Wextra -Werror)
run_step("compile the Fortran module" ${FORTRAN_COMPILER} ${f_flags} -c "${pc_fortran_module}"
  -o "${WORK_DIR}/kelvoran.o")
run_step("build the Fortran example" ${FORTRAN_COMPILER} ${f_flags}
  "${SOURCE_DIR}/examples/fortran/cells.f90" "${WORK_DIR}/kelvoran.o" ${pc_libs} ${rpath}
  -o "${WORK_DIR}/cells-fortran")
# Under AddressSanitizer: the Fortran run-time library copies its (unterminated) format strings
# with strndup, which strict_string_checks reads as C strings.
set(asan_options "$ENV{ASAN_OPTIONS}:strict_string_checks=0")
run_step("run the Fortran example" ${CMAKE_COMMAND} -E env "ASAN_OPTIONS=${asan_options}"
  "${WORK_DIR}/cells-fortran")
set(fortran_output "${step_output}")

message(STATUS "C example:\n${c_output}")
if(NOT cmake_output STREQUAL c_output)
  message(FATAL_ERROR "the C example built with CMake prints otherwise:\n${cmake_output}")
endif()
if(NOT fortran_output STREQUAL c_output)
  message(FATAL_ERROR "the Fortran example prints otherwise:\n${fortran_output}")
endif()

# What the cells are: the version; boiling water as vapor + liquid at the model's boiling
# temperature at 100 bar (311.031 °C), with the saturations of h between the saturated liquid's
# and the vapor's enthalpy, and dT/dh = 0 (T is fixed by P there); the brine as a solved single
# fluid, with dT/dh = 1/cp.
set(expected_lines
  "^kelvoran ${EXPECTED_VERSION}\n"
  "\nboiling water: P =  100\\.0 bar, h =  2000000\\.0 J/kg, x = 0\\.000000\n\
  status 0 \\(solved\\), state V\\+L, T =  311\\.031 degC\n\
  saturation: liquid  0\\.0896[0-9][0-9] vapor  0\\.9103[0-9][0-9] halite n/a\n\
  dT/dh =  0\\.000000E\\+00 K/\\(J/kg\\)\n"
  "\nbrine: P =  250\\.0 bar, h =  1600000\\.0 J/kg, x = 0\\.033116\n\
  status 0 \\(solved\\), state F, T =  383\\.65[0-9] degC\n\
  saturation: liquid  1\\.000000 vapor n/a halite n/a\n\
  dT/dh =  1\\.528[0-9]+E-04 K/\\(J/kg\\)\n")
foreach(pattern ${expected_lines})
  if(NOT c_output MATCHES "${pattern}")
    message(FATAL_ERROR "the examples' output does not match '${pattern}':\n${c_output}")
  endif()
endforeach()

# Through a (P, h, x) property table of the cells' box, built by the installed kelvoran-tabulate:
# both examples print the same lines, the model's state and temperature (boiling water, which
# the table leaves to the model, to every digit), and the interpolant's dT/dh of the brine.
set(tabulate "${prefix}/bin/kelvoran-tabulate")
if(EXISTS "${tabulate}")
  set(table "${WORK_DIR}/cells.kvt")
  run_step("build the cells' property table" "${tabulate}" -q -P 95:255 -H 1.55e6:2.05e6
    -x 0:0.04 --max-level 4 --root-level 2 -o "${table}")
  run_step("run the C example through the table" "${WORK_DIR}/cells-c" "${table}")
  set(c_table_output "${step_output}")
  run_step("run the Fortran example through the table" ${CMAKE_COMMAND} -E env
    "ASAN_OPTIONS=${asan_options}" "${WORK_DIR}/cells-fortran" "${table}")
  if(NOT step_output STREQUAL c_table_output)
    message(FATAL_ERROR "through the table, the Fortran example prints otherwise:\n"
      "${step_output}\nthe C example:\n${c_table_output}")
  endif()
  string(REGEX REPLACE "dT/dh = [^\n]*\n$" "" model_head "${c_output}")
  string(REGEX REPLACE "dT/dh = [^\n]*\n$" "" table_head "${c_table_output}")
  if(NOT table_head STREQUAL model_head OR NOT c_table_output MATCHES "dT/dh =  1\\.528[0-9]+E-04")
    message(FATAL_ERROR "the examples print otherwise through the table:\n${c_table_output}")
  endif()
  # A table that cannot be loaded: the message names the file, and the example fails.
  execute_process(COMMAND "${WORK_DIR}/cells-c" "${WORK_DIR}/missing.kvt" RESULT_VARIABLE status
    OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(status EQUAL 0 OR NOT err MATCHES "missing\\.kvt: ")
    message(FATAL_ERROR "the C example without its table: status ${status}:\n${out}${err}")
  endif()
endif()
