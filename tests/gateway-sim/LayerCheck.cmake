# The simulator's include path reaches the model's headers but none of the program's frame code:
# a model header compiles with it, a serial, Ethernet, monitor or link header is not found.
# -DCXX=compiler -DINCLUDES=dir|dir... -DWORK=scratch folder
file(MAKE_DIRECTORY ${WORK})
set(flags)
string(REPLACE "|" ";" INCLUDES "${INCLUDES}")
foreach(dir IN LISTS INCLUDES)
  list(APPEND flags -I${dir})
endforeach()
function(probe header expect_found)
  string(MAKE_C_IDENTIFIER ${header} name)
  file(WRITE ${WORK}/${name}.cpp "#include \"${header}\"\n")
  execute_process(COMMAND ${CXX} -std=c++20 -fsyntax-only ${flags} ${WORK}/${name}.cpp
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(expect_found AND NOT rc EQUAL 0)
    message(FATAL_ERROR "${header} should compile in the simulator:\n${err}")
  # gcc says "HEADER: No such file", clang "'HEADER' file not found".
  elseif(NOT expect_found AND NOT err MATCHES "${header}: No such file|'${header}' file not found")
    message(FATAL_ERROR "${header} must be out of the simulator's reach (rc ${rc}):\n${err}")
  endif()
endfunction()
probe(model/ConfigStore.h TRUE)
probe(resources/Strings.h TRUE)
foreach(header serial/Exchange.h serial/FrameBuilder.h ethernet/ConfigImage.h monitor/MonitorRecord.h
               link/ByteLink.h mapping/MappingTest.h)
  probe(${header} FALSE)
endforeach()
