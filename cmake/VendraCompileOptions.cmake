# Warnings every target of the project is built with.
function(vendra_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# glib (behind libsecret) uses "signals" as a field name, so Qt's keywords stay off everywhere.
add_compile_definitions(QT_NO_KEYWORDS QT_USE_QSTRINGBUILDER)
