# Run by cpack after the package is built (CPACK_POST_BUILD_SCRIPTS). CPack adds
# postinst and postrm scripts that run ldconfig to any package with a shared
# library anywhere under /usr/lib, a private folder included; a library the
# linker never looks for needs none, and a postrm leaves the package in the "rc"
# state after apt remove. The package is rebuilt without them.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(NOT package MATCHES "\\.deb$")
        continue()
    endif()
    set(tree "${package}.tree")
    file(REMOVE_RECURSE "${tree}")
    execute_process(COMMAND dpkg-deb -R "${package}" "${tree}" RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "dpkg-deb -R ${package} failed")
    endif()
    file(REMOVE "${tree}/DEBIAN/postinst" "${tree}/DEBIAN/postrm")
    execute_process(COMMAND dpkg-deb --root-owner-group -Zxz --build "${tree}" "${package}"
                    OUTPUT_QUIET RESULT_VARIABLE failed)
    file(REMOVE_RECURSE "${tree}")
    if(failed)
        message(FATAL_ERROR "dpkg-deb --build ${package} failed")
    endif()
endforeach()
