# Writes the driver package's INF from its template, with DriverVer: the date of the commit that
# is built (or SOURCE_DATE_EPOCH, where set) and the project's version. Two builds of one commit
# give the same file, whenever they run.
#   cmake -DSOURCE=<repository> -DTEMPLATE=<.in> -DOUTPUT=<INF> -DVERSION=<a.b.c.d> -P make_inf.cmake
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C ${SOURCE} log -1 --format=%ct OUTPUT_VARIABLE commit_time
                  OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status ERROR_QUIET)
  if(NOT status EQUAL 0 OR commit_time STREQUAL "")
    message(FATAL_ERROR "The driver package is dated by the commit built, and ${SOURCE} has none: "
                        "set SOURCE_DATE_EPOCH to the release's time.")
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${commit_time})
endif()
string(TIMESTAMP DRIVER_DATE "%m/%d/%Y" UTC)  # from SOURCE_DATE_EPOCH
set(DRIVER_VERSION ${VERSION})
configure_file(${TEMPLATE} ${OUTPUT} @ONLY NEWLINE_STYLE CRLF)
