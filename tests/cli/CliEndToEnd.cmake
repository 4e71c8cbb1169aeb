# Runs the built tqv580-cli through new, show and convert, and compares the files it writes.
#   cmake -DCLI=<path to tqv580-cli> -DWORK=<scratch directory> -DVERSION=<project version>
#         -DSOURCES=<source tree> [-DMAN_DIR=<built manual pages>] -P CliEndToEnd.cmake
if(NOT CLI OR NOT WORK OR NOT VERSION OR NOT SOURCES)
  message(FATAL_ERROR "CLI, WORK, VERSION and SOURCES must be given")
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

# Runs the tool in English and fails unless it exits with `expected`; leaves stdout/stderr in
# cli_out / cli_err.
function(cli expected)
  execute_process(COMMAND "${CLI}" --lang en ${ARGN}
                  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT "${code}" STREQUAL "${expected}")
    list(JOIN ARGN " " args)
    message(FATAL_ERROR "tqv580-cli ${args}: exit ${code}, expected ${expected}\n${err}")
  endif()
  set(cli_out "${out}" PARENT_SCOPE)
  set(cli_err "${err}" PARENT_SCOPE)
endfunction()

function(same_files a b)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${a}" "${b}" RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    message(FATAL_ERROR "${a} and ${b} differ")
  endif()
endfunction()

function(expect_text haystack needle)
  string(FIND "${haystack}" "${needle}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "expected \"${needle}\" in:\n${haystack}")
  endif()
endfunction()

set(W "${WORK}")

# new, then show in both forms.
cli(0 new --type 0 --flags 2,5 -o "${W}/a.tqv")
if(NOT cli_out STREQUAL "")
  message(FATAL_ERROR "new printed on stdout: ${cli_out}")
endif()
cli(0 show "${W}/a.tqv")
expect_text("${cli_out}" "Gateway type: 0\nModel flags:  2, 5\n")
expect_text("${cli_out}" "fieldbusType:")
expect_text("${cli_out}" "Intercept automatically")
expect_text("${cli_out}" "Subnet4\n")
cli(0 show --json "${W}/a.tqv")
file(WRITE "${W}/shown.json" "${cli_out}")

# convert both ways: the JSON equals what show --json printed, and the project comes back intact.
cli(0 convert "${W}/a.tqv" "${W}/a.json")
same_files("${W}/a.json" "${W}/shown.json")
cli(0 convert "${W}/a.json" "${W}/b.tqv")
same_files("${W}/a.tqv" "${W}/b.tqv")

# A Chinese project without --lang: read in its own language, its texts printed as UTF-8; to
# English and back with translate gives the same bytes.
cli(0 new --lang zh -o "${W}/zh.tqv")
foreach(step "show;${W}/zh.tqv" "translate;${W}/zh.tqv;--to;en;-o;${W}/zh-en.tqv"
             "translate;${W}/zh-en.tqv;--to;zh;-o;${W}/zh-back.tqv")
  execute_process(COMMAND "${CLI}" ${step} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "tqv580-cli ${step}: exit ${code}\n${err}")
  endif()
  if(step MATCHES "^show")
    expect_text("${out}" "Modbus主站")
  endif()
endforeach()
same_files("${W}/zh.tqv" "${W}/zh-back.tqv")

# An unknown subcommand exits 2, named before the usage (the other refusals: CliTest, CliAppTest);
# the usage names every subcommand --help lists, and new's help every type and variant.
cli(2 frob "${W}/a.tqv")
expect_text("${cli_err}" "Unknown subcommand \"frob\".\nUsage:\n")
set(usage "${cli_err}")
cli(0 --help)
string(REGEX MATCHALL "\n  [a-z][a-z-]+ " listed "${cli_out}")
list(LENGTH listed count)
foreach(name IN LISTS listed)
  string(STRIP "${name}" name)
  expect_text("${usage}" " ${name} ")
endforeach()
if(count LESS 18)
  message(FATAL_ERROR "--help lists ${count} subcommands:\n${cli_out}")
endif()
cli(0 new --help)
foreach(line "0  fieldbus DeviceNet, 1 subnet(s), subnet 1 Modbus master, Byte-exchange"
             "2  fieldbus none, 4 subnet(s)" "3  fieldbus Profibus, 1 subnet(s), subnet 1 Modbus master, Data Filter"
             "4  fieldbus EtherNet/IP, 2 subnet(s)" "6  fieldbus Profibus, 1 subnet(s), subnet 1 User Config"
             "\"\"  Basic (no model flag)" "4  Fault reset (model flag 4)")
  expect_text("${cli_out}" "${line}")
endforeach()

# The manual pages have EXAMPLES, ENVIRONMENT (every TQV580_ variable the sources read) and EXIT STATUS.
file(GLOB_RECURSE sources "${SOURCES}/src/*.cpp" "${SOURCES}/src/*.h" "${SOURCES}/tools/*.cpp")
foreach(source IN LISTS sources)
  file(STRINGS "${source}" lines REGEX "TQV580_[A-Z_]+")
  string(REGEX MATCHALL "TQV580_[A-Z_]+" names "${lines}")
  list(APPEND variables ${names})
endforeach()
list(REMOVE_ITEM variables TQV580_VERSION) # the build's, not the environment's
foreach(name tqv580 tqv580-cli)
  if(NOT MAN_DIR)
    break()
  endif()
  execute_process(COMMAND gzip -dc "${MAN_DIR}/${name}.1.gz" OUTPUT_VARIABLE page)
  string(REGEX MATCH "\n\\.SH ENVIRONMENT\n([^.]|\\.[^S])*" environment "${page}")
  foreach(needle "\n.SH EXAMPLES\n" "\n.SH EXIT STATUS\n" TQV580_LANG ${variables})
    expect_text("${page}" "${needle}")
    if(needle MATCHES "^TQV")
      expect_text("${environment}" "${needle}")
    endif()
  endforeach()
endforeach()

# The built binary's version and help, on stdout.
cli(0 --version)
if(NOT cli_out STREQUAL "tqv580-cli ${VERSION}\n")
  message(FATAL_ERROR "--version printed \"${cli_out}\"")
endif()

file(REMOVE_RECURSE "${WORK}")
