# cmake -DSOURCE=<source tree> -DOUTPUT=<file> -P source_date.cmake
# Writes the release's date, in seconds since 1970, into OUTPUT if it differs from what is there:
# SOURCE_DATE_EPOCH if it is set, else the time of the commit that is checked out.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${SOURCE} log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  set(epoch 315532800)
  message("No commit time here and no SOURCE_DATE_EPOCH: the release is dated 1980-01-01")
endif()
file(CONFIGURE OUTPUT ${OUTPUT} CONTENT "${epoch}")
