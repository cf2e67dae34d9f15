# Runs the bench (TOOL, with ARGS, a ;-list) and passes only when it exits
# with 0 and its last line is exactly "signature SIGNATURE": a bench that
# crashed after printing, or a signature with more digits, fails.
#   cmake -DTOOL=... -DARGS=bench -DSIGNATURE=3660447 -P bench_signature.cmake
execute_process(COMMAND ${TOOL} ${ARGS} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}${err}")
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "the bench ended with status ${status}")
endif()
if(NOT out MATCHES "(^|\n)signature ${SIGNATURE}\n$")
  message(FATAL_ERROR "the bench's last line is not \"signature ${SIGNATURE}\"")
endif()
