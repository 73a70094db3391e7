# Stand-ins for the Monkey's Audio decoder library, one per export variant, each built as
# <variant>/libMAC.so for the ApeDecoder test to load by path.
set(FAKEMAC_VARIANTS second first noseek nodata)
set(FAKEMAC_DEFINITIONS_second "")
set(FAKEMAC_DEFINITIONS_first FAKEMAC_FIRST_NAMES)
set(FAKEMAC_DEFINITIONS_noseek FAKEMAC_NO_SEEK)
set(FAKEMAC_DEFINITIONS_nodata FAKEMAC_NO_DATA)
foreach(variant ${FAKEMAC_VARIANTS})
    add_library(fakemac_${variant} SHARED ${CMAKE_CURRENT_LIST_DIR}/fakemac.c)
    target_compile_definitions(fakemac_${variant} PRIVATE ${FAKEMAC_DEFINITIONS_${variant}})
    set_target_properties(fakemac_${variant} PROPERTIES
        OUTPUT_NAME MAC
        C_VISIBILITY_PRESET hidden
        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/fakemac/${variant}
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/fakemac/${variant})
    add_dependencies(audio_tst_apedecoder fakemac_${variant})
    target_compile_definitions(audio_tst_apedecoder PRIVATE
        FAKEMAC_${variant}="$<TARGET_FILE:fakemac_${variant}>")
endforeach()
# The decoder choice and the engine play a Monkey's Audio stand-in too; the engine also one
# that cannot seek.
foreach(target audio_tst_decoderfactory audio_tst_playbackengine)
    add_dependencies(${target} fakemac_second)
    target_compile_definitions(${target} PRIVATE FAKEMAC_second="$<TARGET_FILE:fakemac_second>")
endforeach()
add_dependencies(audio_tst_playbackengine fakemac_noseek)
target_compile_definitions(audio_tst_playbackengine PRIVATE
    FAKEMAC_noseek="$<TARGET_FILE:fakemac_noseek>")

# In a ThreadSanitizer build (-DQUELLIN_TSAN=ON) the audio tests run with the suppressions for
# Qt's own uninstrumented hand-overs; any other report fails the test.
if(QUELLIN_TSAN)
    file(GLOB QUELLIN_AUDIO_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/tst_*.cpp)
    foreach(src ${QUELLIN_AUDIO_TESTS})
        get_filename_component(topic ${src} NAME_WE)
        string(REGEX REPLACE "^tst_" "" topic_name ${topic})
        set_property(TEST audio.${topic_name} APPEND PROPERTY ENVIRONMENT
            "TSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/tsan.supp")
    endforeach()
endif()
