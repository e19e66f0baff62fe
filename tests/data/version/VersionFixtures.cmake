# Small DLLs with and without version resources for the version reader and the replacement
# rule (Windows test builds). They are written to ${CMAKE_BINARY_DIR}/tests/version-fixtures;
# the test binaries that use them depend on the target version_fixtures.
set(version_fixture_dir ${CMAKE_BINARY_DIR}/tests/version-fixtures)
include_guard(GLOBAL)

set(version_fixture_src ${CMAKE_CURRENT_LIST_DIR})
add_custom_target(version_fixtures)

function(setup_version_fixture name)
    add_library(${name} SHARED ${version_fixture_src}/FixtureLib.c ${ARGN})
    set_target_properties(${name} PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${version_fixture_dir}
                                             ARCHIVE_OUTPUT_DIRECTORY ${version_fixture_dir}/lib)
    add_dependencies(version_fixtures ${name})
endfunction()

# Versioned libraries: ver_<a>_<b>_<c>_<d>.dll carries file version a.b.c.d.
foreach(version 4.0.0.0 4.0.0.1 1.65535.0.0 1.1.0.0)
    string(REPLACE "." "," FIXTURE_VERSION_COMMAS ${version})
    string(REPLACE "." "_" suffix ${version})
    set(FIXTURE_VERSION_TEXT ${version})
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/version-fixtures/ver_${suffix}.rc)
    configure_file(${version_fixture_src}/Versioned.rc.in ${rc} @ONLY)
    setup_version_fixture(ver_${suffix} ${rc})
endforeach()

# No version resource at all, and three resources without a readable fixed block.
setup_version_fixture(unversioned)
setup_version_fixture(no_fixed_block ${version_fixture_src}/NoFixedBlock.rc)
setup_version_fixture(short_fixed_block ${version_fixture_src}/ShortFixedBlock.rc)
setup_version_fixture(bad_signature ${version_fixture_src}/BadSignature.rc)
