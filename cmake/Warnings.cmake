# Every target of the project builds warning-free.
add_compile_options(-Wall -Wextra -Werror)
# __FILE__ names sources relative to the project root, as log records show them.
add_compile_options(-fmacro-prefix-map=${PROJECT_SOURCE_DIR}/=)
