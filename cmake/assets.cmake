# Copies the folders that stand beside the program into the build folder.
add_custom_target(quorlin_assets ALL)
