# The programs live in their own folder with words.conf beside them, where
# they look for it; each command goes on the search path as a link.
include(GNUInstallDirs)
set(TABULON_INSTALL_DIR lib/tabulon)

# tabulon_install_program(<target>): the executable into the program folder,
# a link to it in the binaries folder.
function(tabulon_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${TABULON_INSTALL_DIR})
  # The prefix is read when installing, so --prefix and DESTDIR apply.
  install(CODE "
    set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(MAKE_DIRECTORY \"\${bin}\")
    file(RELATIVE_PATH target \"/${CMAKE_INSTALL_BINDIR}\" \"/${TABULON_INSTALL_DIR}/${target}\")
    file(CREATE_LINK \"\${target}\" \"\${bin}/${target}\" SYMBOLIC)
    message(STATUS \"Installing: \${bin}/${target} -> \${target}\")")
endfunction()
