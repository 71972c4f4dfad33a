# Install rules: the programs, the script guide and server docs, the example robots, the manual
# pages, and (component "service", installed only on request and by the Debian package) the
# server's systemd unit, configuration file and logrotate rule.
include(GNUInstallDirs)

install(TARGETS robot gameserver server_loadtest match RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The guide, the server's docs and the tournament recipes (with the Kubernetes manifest they
# link), taken when installing so that pages added later come along.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/
        DESTINATION ${CMAKE_INSTALL_DOCDIR}
        FILES_MATCHING PATTERN "*.md" PATTERN "*.yaml"
        PATTERN "man" EXCLUDE)

# Robots keep their CR LF line ends: the files are copied byte for byte.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples DESTINATION ${CMAKE_INSTALL_DOCDIR})

install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Editor support as the editors README describes it: Vim's files, the Neovim snippet, the VS Code
# extension's sources and, when scripts/build_vsix.sh has built it, its package beside them
# (for `code --install-extension`). The npm lock and packaging list serve only the build.
if(EXISTS ${CMAKE_SOURCE_DIR}/editors)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/editors DESTINATION ${CMAKE_INSTALL_DOCDIR}
          PATTERN "package-lock.json" EXCLUDE PATTERN ".vscodeignore" EXCLUDE)
  install(FILES ${CMAKE_BINARY_DIR}/robot-script.vsix DESTINATION ${CMAKE_INSTALL_DOCDIR}/editors OPTIONAL)
endif()

# Manual pages and the change log are installed compressed, as Debian keeps them; -n leaves the
# time out, so that the same sources give the same files.
set(COMPRESSED_DOCS)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/man)
function(add_compressed_doc source output)
  add_custom_command(OUTPUT ${output}
    COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${source} ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${source}"
    VERBATIM)
  set(COMPRESSED_DOCS ${COMPRESSED_DOCS} ${output} PARENT_SCOPE)
endfunction()

file(GLOB MAN_PAGES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/*.1)
set(MAN_PAGES_GZ)
foreach(page ${MAN_PAGES})
  get_filename_component(name ${page} NAME)
  add_compressed_doc(${page} ${CMAKE_BINARY_DIR}/man/${name}.gz)
  list(APPEND MAN_PAGES_GZ ${CMAKE_BINARY_DIR}/man/${name}.gz)
endforeach()
add_compressed_doc(${CMAKE_SOURCE_DIR}/packaging/changelog ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_target(compressed_docs ALL DEPENDS ${COMPRESSED_DOCS})

install(FILES ${MAN_PAGES_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz ${CMAKE_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The service's files go where the system looks for them, whatever the prefix: only the Debian
# package (or "cmake --install build --component service" as root) installs them.
set(SERVICE_FILES ${CMAKE_SOURCE_DIR}/packaging)
install(FILES ${SERVICE_FILES}/gameserver.service DESTINATION /lib/systemd/system
        COMPONENT service EXCLUDE_FROM_ALL)
install(FILES ${SERVICE_FILES}/gameserver.toml DESTINATION /etc/gameserver
        COMPONENT service EXCLUDE_FROM_ALL)
install(FILES ${SERVICE_FILES}/gameserver.logrotate DESTINATION /etc/logrotate.d
        RENAME gameserver COMPONENT service EXCLUDE_FROM_ALL)
