# In a ThreadSanitizer build (-DQUELLIN_TSAN=ON) the audio tests run with the suppressions for
# Qt's own uninstrumented hand-overs; any other report fails the test.
if(QUELLIN_TSAN)
    file(GLOB QUELLIN_AUDIO_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/tst_*.cpp)
    foreach(src ${QUELLIN_AUDIO_TESTS})
        get_filename_component(topic ${src} NAME_WE)
        string(REGEX REPLACE "^tst_" "" topic_name ${topic})
        set_tests_properties(audio.${topic_name} PROPERTIES ENVIRONMENT
            "QT_QPA_PLATFORM=offscreen;TSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/tsan.supp")
    endforeach()
endif()
