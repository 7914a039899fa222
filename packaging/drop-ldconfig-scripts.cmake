# Runs after CPack has written the .deb files (CPACK_POST_BUILD_SCRIPTS). CPack gives every package
# that puts a library in /usr/lib a postinst and a postrm that call ldconfig. The package's ldconfig
# trigger already does that once per dpkg run, and a postrm keeps the package in dpkg's
# "config-files" state after `apt remove` although it has no configuration files. So the two scripts
# are taken out and the package is rebuilt with dpkg-deb.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  set(tree "${deb}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb --raw-extract "${deb}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
  if(EXISTS "${tree}/DEBIAN/postinst" OR EXISTS "${tree}/DEBIAN/postrm")
    file(REMOVE "${tree}/DEBIAN/postinst" "${tree}/DEBIAN/postrm")
    execute_process(COMMAND dpkg-deb --root-owner-group --build "${tree}" "${deb}"
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  endif()
  file(REMOVE_RECURSE "${tree}")
endforeach()
