# cmake -DWINE=... -DPROGRAM=... -DDPI=144 -P AtDpi.cmake
# Runs PROGRAM under Wine with the prefix's screen resolution set to DPI, and
# puts 96 back afterwards, whatever the outcome.
set(key "HKCU\\Control Panel\\Desktop")
execute_process(COMMAND ${WINE} reg add ${key} /v LogPixels /t REG_DWORD /d ${DPI} /f
                RESULT_VARIABLE set_result OUTPUT_QUIET ERROR_QUIET)
if(NOT set_result EQUAL 0)
  message(FATAL_ERROR "could not set LogPixels to ${DPI}")
endif()
set(ENV{QMR_EXPECT_DPI} ${DPI})
execute_process(COMMAND ${WINE} ${PROGRAM} RESULT_VARIABLE run_result)
execute_process(COMMAND ${WINE} reg add ${key} /v LogPixels /t REG_DWORD /d 96 /f OUTPUT_QUIET ERROR_QUIET)
if(NOT run_result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} failed at ${DPI} dpi (${run_result})")
endif()
