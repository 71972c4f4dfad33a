# Install rules: the programs, the script guide and server docs, the example robots and the
# manual pages.
include(GNUInstallDirs)

install(TARGETS robot gameserver match RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The guide, the server's docs and the tournament recipes (with the Kubernetes manifest they
# link), taken when installing so that pages added later come along.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/
        DESTINATION ${CMAKE_INSTALL_DOCDIR}
        FILES_MATCHING PATTERN "*.md" PATTERN "*.yaml"
        PATTERN "man" EXCLUDE)

# Robots keep their CR LF line ends: the files are copied byte for byte.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples DESTINATION ${CMAKE_INSTALL_DOCDIR})

install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Editor support (syntax files, problem matchers) as the editors README describes it.
if(EXISTS ${CMAKE_SOURCE_DIR}/editors)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/editors DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

install(FILES ${CMAKE_SOURCE_DIR}/docs/man/robot.1 ${CMAKE_SOURCE_DIR}/docs/man/gameserver.1
              ${CMAKE_SOURCE_DIR}/docs/man/match.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
