# Writes a manual page from a program's own --help, so the page never drifts from the program.
#   cmake -DPROGRAM=path -DNAME=tqv580-cli -DSUMMARY="..." -DSUBCOMMANDS=ON|OFF -DVERSION=x.y.z
#         -DOUTPUT=file.1 [-DSECTIONS=file.roff] -P ManPage.cmake
# With SUBCOMMANDS the help of every subcommand the main help lists follows in its own section.

function(help_of out)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env TQV580_LANG=en QT_QPA_PLATFORM=offscreen ${PROGRAM} ${ARGN} --help
                  OUTPUT_VARIABLE text ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} ${ARGN} --help failed (${rc}): ${err}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Help text as roff, kept as it is printed: no filling, backslashes and leading dots escaped.
function(roff_block out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} ".nf\n${text}\n.fi\n" PARENT_SCOPE)
endfunction()

help_of(main)
roff_block(body "${main}")
string(TIMESTAMP today "%Y-%m-%d" UTC)
set(page ".TH ${NAME} 1 \"${today}\" \"${NAME} ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\n${NAME} \\- ${SUMMARY}\n.SH DESCRIPTION\n${body}")

if(SUBCOMMANDS)
  # The lines under "Subcommands:" start with two blanks and the subcommand's name.
  string(REGEX MATCH "Subcommands:\n(.*)" listed "${main}")
  string(REPLACE "\n" ";" lines "${CMAKE_MATCH_1}")
  foreach(line IN LISTS lines)
    if(line MATCHES "^  ([a-z][a-z0-9-]*) ")
      set(sub ${CMAKE_MATCH_1})
      help_of(subhelp ${sub})
      roff_block(subbody "${subhelp}")
      string(TOUPPER "${sub}" title)
      string(APPEND page ".SH ${title}\n${subbody}")
    elseif(NOT line MATCHES "^  ")
      break()
    endif()
  endforeach()
endif()

# EXAMPLES, ENVIRONMENT, EXIT STATUS: roff written by hand (docs/man/NAME.roff).
if(SECTIONS)
  file(READ ${SECTIONS} sections)
  string(APPEND page "${sections}")
endif()

string(APPEND page ".SH SEE ALSO\ntqv580(1), tqv580-cli(1), tqv580-gateway-sim(1)\n")
file(WRITE ${OUTPUT} "${page}")
