# The level meter's frames on a real X11 window (a private Xvfb), where they bypass Qt.
add_test(NAME views.visuals_x11
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/x11.sh $<TARGET_FILE:views_tst_visuals>
        wavesLookLikeAStroke)
set_tests_properties(views.visuals_x11 PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600 LABELS views)
