# The man pages of vodex, vodex-sim and vodex_msiexec, made at build time from the programs' own
# --help and --version (help2man), so a page cannot say other than the program; and the bash
# completion of vodex, written by vodex from the same table as its help.
find_program(HELP2MAN help2man REQUIRED)
find_program(GZIP gzip REQUIRED)
set(VODEX_MAN_DIR ${PROJECT_BINARY_DIR}/man)
set(man_pages)
foreach(entry
    "vodex|measure with instrument drivers, list, test and install them"
    "vodex-sim|a virtual measuring instrument on a pseudo-terminal"
    "vodex_msiexec|install and remove instrument driver packages")
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 program)
  list(GET parts 1 summary)
  set(page ${VODEX_MAN_DIR}/${program}.1)
  # vodex's page describes every command with its options, from the same help texts.
  set(write_sections ${CMAKE_COMMAND} -E true)
  set(include_sections)
  if(program STREQUAL "vodex")
    set(write_sections $<TARGET_FILE:vodex> --man-sections > ${VODEX_MAN_DIR}/vodex.sections)
    set(include_sections --include=${VODEX_MAN_DIR}/vodex.sections)
  endif()
  add_custom_command(OUTPUT ${page} ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VODEX_MAN_DIR}
    COMMAND ${write_sections}
    COMMAND ${HELP2MAN} --no-info --section=1 --name=${summary} ${include_sections}
            --output=${page} $<TARGET_FILE:${program}>
    # Installed compressed, as the system's own pages are; without a time stamp, so that the
    # same program gives the same file.
    COMMAND ${GZIP} -9 -n -k -f ${page}
    DEPENDS ${program}
    COMMENT "Writing the man page of ${program}"
    VERBATIM)
  list(APPEND man_pages ${page}.gz)
endforeach()
set(VODEX_COMPLETION ${PROJECT_BINARY_DIR}/completion/vodex)
add_custom_command(OUTPUT ${VODEX_COMPLETION}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/completion
  COMMAND $<TARGET_FILE:vodex> --bash-completion > ${VODEX_COMPLETION}
  DEPENDS vodex
  COMMENT "Writing the bash completion of vodex")
add_custom_target(vodex_docs ALL DEPENDS ${man_pages} ${VODEX_COMPLETION})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)
install(FILES ${VODEX_COMPLETION} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  COMPONENT cli)
