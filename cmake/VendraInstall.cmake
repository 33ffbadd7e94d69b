include(GNUInstallDirs)

# vendracore is private to the programs: it goes into a folder of its own below the library folder,
# and the programs find it relative to themselves, so an installed tree works wherever it lies.
# On Debian that is the multiarch folder (/usr/lib/x86_64-linux-gnu/vendra-uploader), whatever the
# prefix, so that the package's library folder is its own and no ldconfig run is wanted for it.
if(CMAKE_LIBRARY_ARCHITECTURE AND CMAKE_INSTALL_LIBDIR STREQUAL "lib")
  set(VENDRA_PRIVATE_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/vendra-uploader)
else()
  set(VENDRA_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/vendra-uploader)
endif()

# Installs one of the programs into the binary folder, able to find the private library.
function(vendra_install_program target)
  file(RELATIVE_PATH libdir_from_bindir /${CMAKE_INSTALL_BINDIR} /${VENDRA_PRIVATE_LIBDIR})
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${libdir_from_bindir}")
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()
