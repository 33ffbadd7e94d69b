# Warnings every target of the project is built with.
function(vendra_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# glib (behind libsecret) uses "signals" as a field name, so Qt's keywords stay off everywhere.
add_compile_definitions(QT_NO_KEYWORDS QT_USE_QSTRINGBUILDER)

# CMake 3.25's Ninja rule for AUTOMOC depends only on the files it scanned before, so a header added
# to an existing target goes unnoticed (and its class links without a vtable). Adding a file changes a
# CMakeLists.txt and so configures again; dropping the target's moc stamp then makes AUTOMOC rescan.
function(vendra_rescan_moc_on_configure target)
  file(REMOVE "${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/timestamp")
endfunction()
