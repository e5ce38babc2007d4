# Test script: compiles the show's tracks, exports them with `oxbrine-trackc export`, compiles the
# exported text and expects the same track files, byte for byte.
# Needs -DTRACKC=<program> -DSOURCE_DIR=<content/tracks> -DWORK=<scratch folder>.
file(REMOVE_RECURSE ${WORK})
file(GLOB sources ${SOURCE_DIR}/*.tl ${SOURCE_DIR}/*.xml)

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "failed: ${ARGN}")
    endif()
endfunction()

run(${TRACKC} --out ${WORK}/first ${sources})
file(GLOB compiled ${WORK}/first/_*.track)
run(${TRACKC} export ${compiled} -o ${WORK}/show.tl)
run(${TRACKC} --out ${WORK}/second ${WORK}/show.tl)
file(GLOB again ${WORK}/second/_*.track)
list(LENGTH compiled count)
list(LENGTH again countAgain)
if(NOT count EQUAL countAgain OR count LESS 50)
    message(FATAL_ERROR "${count} tracks exported, ${countAgain} compiled back")
endif()
foreach(file ${compiled})
    get_filename_component(name ${file} NAME)
    run(${CMAKE_COMMAND} -E compare_files ${file} ${WORK}/second/${name})
endforeach()
message(STATUS "${count} tracks: the same bytes after export and compiling again")
