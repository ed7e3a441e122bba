# Helpers that give every target of the project the same flags and test wiring.

set(PLINTHAR_WARNINGS -Wall -Wextra -Werror)
set(PLINTHAR_TESTDATA_DIR "${CMAKE_SOURCE_DIR}/../shared/testdata")
get_filename_component(PLINTHAR_TESTDATA_DIR "${PLINTHAR_TESTDATA_DIR}" ABSOLUTE)

# Paths handed to test programs: under Wine the Unix root is drive Z:.
function(plinthar_test_path out unix_path)
    if(PLINTHAR_WIN32)
        set(${out} "Z:${unix_path}" PARENT_SCOPE)
    else()
        set(${out} "${unix_path}" PARENT_SCOPE)
    endif()
endfunction()

function(plinthar_apply_flags target)
    target_compile_options(${target} PRIVATE ${PLINTHAR_WARNINGS})
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
    if(PLINTHAR_WIN32)
        # ANSI API, Windows 98 / NT 4 era headers are not needed but the A functions are.
        target_compile_definitions(${target} PUBLIC WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0501
                                                    WINVER=0x0501 _WIN32_IE=0x0500)
    endif()
endfunction()

# A library of portable code: compiled in every build, never includes <windows.h>.
function(plinthar_library name)
    cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${A_SOURCES})
    plinthar_apply_flags(${name})
    if(A_LIBS)
        target_link_libraries(${name} PUBLIC ${A_LIBS})
    endif()
endfunction()

# A unit-test executable.  Natively each case is its own CTest test; under Wine
# one process runs the whole executable (a Wine start costs far more than a case).
# SERIAL for tests that take screenshots; NATIVE_ONLY for tests whose oracle is a
# Linux program.
function(plinthar_test name)
    if(PLINTHAR_FUZZ)
        return()
    endif()
    cmake_parse_arguments(A "SERIAL;NATIVE_ONLY" "TIMEOUT" "SOURCES;LIBS;WIN32_ONLY" ${ARGN})
    if(A_WIN32_ONLY AND NOT PLINTHAR_WIN32)
        return()
    endif()
    # NATIVE_ONLY: tests that run Debian's tools as oracles, which Wine cannot start.
    if(A_NATIVE_ONLY AND PLINTHAR_WIN32)
        return()
    endif()
    add_executable(${name} ${A_SOURCES} ${A_WIN32_ONLY})
    plinthar_apply_flags(${name})
    target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest GTest::gtest_main)
    plinthar_test_path(testdata "${PLINTHAR_TESTDATA_DIR}")
    plinthar_test_path(source "${CMAKE_SOURCE_DIR}")
    plinthar_test_path(bindir "${CMAKE_BINARY_DIR}")
    target_compile_definitions(${name} PRIVATE PLINTHAR_TESTDATA="${testdata}"
                                               PLINTHAR_SOURCE_DIR="${source}"
                                               PLINTHAR_BINARY_DIR="${bindir}")
    if(NOT A_TIMEOUT)
        set(A_TIMEOUT 300)
    endif()
    if(PLINTHAR_WIN32)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_session
                             TIMEOUT ${A_TIMEOUT} LABELS wine
                             FAIL_REGULAR_EXPRESSION "Unhandled exception|Unhandled page fault")
        if(A_SERIAL)
            set_tests_properties(${name} PROPERTIES RUN_SERIAL ON)
        endif()
    else()
        include(GoogleTest)
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT ${A_TIMEOUT})
    endif()
endfunction()

# A fuzz target: one function LLVMFuzzerTestOneInput in SOURCE.  With PLINTHAR_FUZZ
# it links libFuzzer; otherwise it links a plain main that replays files, and the
# seed folder (when given) is replayed as a test so every build checks the corpus
# (skipped, not passed, where the folder is absent).  MAX_LEN caps the inputs the
# fuzzer tries (and the part of each seed it reads): targets whose seeds are
# whole songs or animations would otherwise spend every run decoding megabytes.
function(plinthar_fuzzer name)
    cmake_parse_arguments(A "" "SOURCE;SEEDS;MAX_LEN" "LIBS" ${ARGN})
    if(PLINTHAR_FUZZ)
        add_executable(${name} ${A_SOURCE})
        target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        set(options "")
        if(A_MAX_LEN)
            set(options "-max_len=${A_MAX_LEN}")
        endif()
        # scripts/fuzz reads three lines per target: the program, its seed folder, options.
        file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/fuzzers/${name}.txt
             CONTENT "$<TARGET_FILE:${name}>\n${A_SEEDS}\n${options}\n")
    else()
        add_executable(${name} ${A_SOURCE} ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp)
    endif()
    plinthar_apply_flags(${name})
    target_link_libraries(${name} PRIVATE ${A_LIBS})
    if(A_SEEDS AND NOT PLINTHAR_FUZZ AND NOT PLINTHAR_WIN32)
        add_test(NAME ${name}_replay COMMAND ${name} ${A_SEEDS})
        set_tests_properties(${name}_replay PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77)
    endif()
endfunction()

function(plinthar_bench name)
    if(PLINTHAR_FUZZ)
        return()
    endif()
    cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${A_SOURCES})
    plinthar_apply_flags(${name})
    target_link_libraries(${name} PRIVATE ${A_LIBS})
endfunction()

if(PLINTHAR_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
if(PLINTHAR_FUZZ)
    add_compile_options(-fsanitize=address,undefined,fuzzer-no-link -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
if(PLINTHAR_WIN32)
    add_compile_options(-msse2 -mfpmath=sse)
    add_link_options(-static -static-libgcc -static-libstdc++)
endif()
