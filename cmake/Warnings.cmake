# The warnings every target of the project is compiled with, included before
# any target is made. With VELNORA_WERROR (CI sets it through scripts/build.sh)
# they are errors. Headers of other projects (Qt, GoogleTest, giflib, Google
# Benchmark) come through imported targets or /usr/include, that is as system
# headers, whose warnings the compilers do not report.
option(VELNORA_WERROR "Treat compiler warnings as errors" OFF)
set(CMAKE_COMPILE_WARNING_AS_ERROR ${VELNORA_WERROR})

# Left out, for they would flag the design rather than faults: -Wnon-virtual-dtor
# (component interfaces are released through Release(), never deleted through
# a base pointer), -Wconversion and -Wuseless-cast (byte and pixel code casts
# on purpose, and a cast needed for one platform's size_t is useless on another).
# -Wshadow and clang's -Wcomma are not clean yet: locals named as the EMF+
# player's members, and comma-joined statements in the component runtime.
set(velnora_warnings
  -Wall -Wextra -Wpedantic
  -Wold-style-cast -Wcast-qual -Woverloaded-virtual -Wsuggest-override
  -Wformat=2 -Wundef -Wextra-semi -Wzero-as-null-pointer-constant -Wimplicit-fallthrough)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND velnora_warnings -Wduplicated-cond -Wduplicated-branches -Wlogical-op -Wcast-align -Wmissing-declarations)
elseif(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  list(APPEND velnora_warnings -Wloop-analysis -Winconsistent-missing-destructor-override)
endif()
add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:${velnora_warnings}>")
