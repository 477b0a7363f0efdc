# add_mex_function(name source): builds the extension function <name> from its
# one source unit as a host-loadable module: only mexFunction exported, the
# host's libmx and libmex imported by name, no C++ runtime needed at load time
# and no run path. With Octave, it also builds the function for Octave.
set(MEX_EXPORT_MAP ${PROJECT_SOURCE_DIR}/host/mexfunction.map)

function(add_mex_function name source)
    add_library(${name} MODULE ${source})
    target_link_libraries(${name} PRIVATE mex mx m)
    target_compile_options(${name} PRIVATE -fno-exceptions -fno-rtti)
    target_link_options(${name} PRIVATE
        -static-libstdc++ -static-libgcc
        -Wl,--as-needed -Wl,-z,defs
        -Wl,--version-script=${MEX_EXPORT_MAP})
    set_target_properties(${name} PROPERTIES
        PREFIX ""
        SUFFIX ".mexa64"
        LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
        SKIP_BUILD_RPATH ON
        LINK_DEPENDS ${MEX_EXPORT_MAP})
    if(WITH_OCTAVE)
        add_octave_mex(${name} ${source})
    endif()
endfunction()
