# The command-line tool's test runs the built tool.
add_dependencies(media_tst_cuetool quellin-cue)
