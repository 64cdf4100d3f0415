# Writes the default 25-customer sample database unless a database is there.
if(NOT EXISTS "${DATABASE}")
    execute_process(COMMAND "${TOOL}" "${DATABASE}" --customers 25 --seed 1
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "could not write the sample database ${DATABASE}")
    endif()
endif()
