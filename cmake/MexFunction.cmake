# add_mex_function(name source [file...]): builds the extension function <name>
# from its one source unit, beside which its help file <name>.m stands, as a
# host-loadable module (<name>.mexa64 on Linux x86-64, <name>.mexw64 on Windows,
# <name>.mex, Octave's name, on Linux for other processors): only
# mexFunction exported, the host's libmx and libmex imported by name, no C++ or
# GCC runtime needed at load time, and on Linux no run path. With Octave, it
# also builds the function for Octave, beside its help file and the other
# files its self tests read.
set(MEX_EXPORT_MAP ${PROJECT_SOURCE_DIR}/interface/mexfunction.map)
set(MEX_EXPORT_DEF ${PROJECT_SOURCE_DIR}/interface/mexfunction.def)

# add_mex_module(name source): the module alone, built as every deliverable is.
function(add_mex_module name source)
    add_library(${name} MODULE ${source})
    target_link_libraries(${name} PRIVATE mex mx)
    target_compile_options(${name} PRIVATE -fno-exceptions -fno-rtti)
    if(MEX_MARCH)
        target_compile_options(${name} PRIVATE -march=${MEX_MARCH})
    endif()
    target_link_options(${name} PRIVATE -static-libstdc++ -static-libgcc)
    set_target_properties(${name} PROPERTIES
        PREFIX ""
        LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
    if(WIN32)
        # No link time in the PE header: the same sources give the same bytes.
        target_link_options(${name} PRIVATE -Wl,--no-insert-timestamp)
        target_sources(${name} PRIVATE ${MEX_EXPORT_DEF})
        set_target_properties(${name} PROPERTIES SUFFIX ".mexw64")
    else()
        target_link_libraries(${name} PRIVATE m)
        target_link_options(${name} PRIVATE
            -Wl,--as-needed -Wl,--version-script=${MEX_EXPORT_MAP})
        if(SANITIZE)
            # The sanitizer runtime is the loading program's.
            target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link)
        else()
            target_link_options(${name} PRIVATE -Wl,-z,defs)
        endif()
        if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
            set(suffix .mexa64)
        else()
            set(suffix .mex)
        endif()
        set_target_properties(${name} PROPERTIES
            SUFFIX ${suffix}
            SKIP_BUILD_RPATH ON
            LINK_DEPENDS ${MEX_EXPORT_MAP})
    endif()
endfunction()

function(add_mex_function name source)
    add_mex_module(${name} ${source})
    if(WITH_OCTAVE)
        get_filename_component(folder ${PROJECT_SOURCE_DIR}/${source} DIRECTORY)
        add_octave_builds(${name} ${source} ${folder}/${name}.m ${ARGN})
    endif()
endfunction()
