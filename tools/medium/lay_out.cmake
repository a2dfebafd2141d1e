# cmake -DSETTINGS=<medium_settings.cmake> -P lay_out.cmake
# Lays out the installation medium afresh, so that no file that left the list stays behind: copies
# each file, and signs each program instead when a code-signing certificate is given.
include(${SETTINGS})
file(REMOVE_RECURSE ${QUARN_MEDIUM})
if(QUARN_SIGN_PKCS12)
  file(READ ${epoch_file} epoch)
  set(password)
  if(QUARN_SIGN_PASSWORD_FILE)
    set(password -readpass ${QUARN_SIGN_PASSWORD_FILE})
  endif()
endif()
while(files)
  list(POP_FRONT files name source)
  set(target ${QUARN_MEDIUM}/${name})
  get_filename_component(folder ${target} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  if(QUARN_SIGN_PKCS12 AND name MATCHES "\\.exe$")
    # Signed at the release's date, not now, so that a signed release is reproducible too.
    execute_process(COMMAND ${QUARN_OSSLSIGNCODE} sign -pkcs12 ${QUARN_SIGN_PKCS12} ${password} -h sha256
                            -time ${epoch} -in ${source} -out ${target}
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  else()
    file(COPY_FILE ${source} ${target})
  endif()
  # The same modes whatever the umask, as the zip records them.
  set(mode OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  if(name MATCHES "\\.exe$")
    list(APPEND mode OWNER_EXECUTE GROUP_EXECUTE WORLD_EXECUTE)
  endif()
  file(CHMOD ${target} FILE_PERMISSIONS ${mode})
endwhile()
