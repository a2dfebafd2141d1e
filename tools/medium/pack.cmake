# cmake -DSETTINGS=<medium_settings.cmake> -P pack.cmake
# Packs the laid-out medium into the release: an ISO 9660 CD image with Joliet names, labelled
# QUARN, and a zip. The files go in the list's order and every date is the release's, so that every
# build of one commit gives the same bytes.
include(${SETTINGS})
file(READ ${epoch_file} epoch)
set(names)
set(map)
while(files)
  list(POP_FRONT files name source)
  list(APPEND names ${name})
  list(APPEND map -map ${QUARN_MEDIUM}/${name} /${name})
endwhile()

# Both tools would add to an existing file instead of replacing it.
file(REMOVE ${release}.iso ${release}.zip)
# Rock Ridge would record the build machine's owners and modes; Windows reads the Joliet names.
# SOURCE_DATE_EPOCH fixes the volume's dates and its UUID.
execute_process(COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${epoch}
                        ${QUARN_XORRISO} -no_rc -report_about FAILURE -outdev ${release}.iso -volid QUARN
                        -joliet on -rockridge off -volume_date all_file_dates =${epoch} ${map}
                RESULT_VARIABLE failed OUTPUT_VARIABLE report ERROR_VARIABLE report)
if(failed)
  message(FATAL_ERROR "xorriso could not make ${release}.iso:\n${report}")
endif()
# zip takes each entry's date from its file, as a local time, and -X leaves out the other times,
# owners and groups.
execute_process(COMMAND touch -d @${epoch} ${names} WORKING_DIRECTORY ${QUARN_MEDIUM} COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${QUARN_ZIP} -X -q ${release}.zip ${names}
                WORKING_DIRECTORY ${QUARN_MEDIUM} COMMAND_ERROR_IS_FATAL ANY)
