# The Windows program under Wine on an X server of its own, used as a person would use it, in a
# Wine prefix of the build's own (wine-e2e/). A small helper reads the clipboard as Windows
# programs paste it, since Wine's bridge to the X clipboard changes the line ends.
find_program(DIALROSTER_E2E_PYTHON NAMES python3 HINTS /usr/bin)
if(DIALROSTER_E2E_PYTHON)
    add_executable(clipboard_text ${CMAKE_CURRENT_LIST_DIR}/windows/clipboard_text.cpp)
    add_test(NAME e2e_wine_window
             COMMAND ${DIALROSTER_E2E_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/wine_window.py
                     $<TARGET_FILE:dialroster> $<TARGET_FILE:clipboard_text>
                     ${CMAKE_BINARY_DIR}/wine-e2e)
    set_tests_properties(e2e_wine_window PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
