# Writes the Debian package's documents into DEST: the machine-readable copyright file with
# Ruffle's licence taken from its npm package, the changelog and the manual page, compressed as
# Debian wants them (gzip -9n, so the same input gives the same bytes).
file(READ ${RUFFLE}/package.json ruffle_package)
string(JSON RUFFLE_VERSION GET "${ruffle_package}" version)
file(STRINGS ${RUFFLE}/LICENSE_MIT mit_lines)
set(MIT_TEXT "")
foreach(line IN LISTS mit_lines)
  string(STRIP "${line}" line)
  if(line STREQUAL "")
    string(APPEND MIT_TEXT " .\n")
  else()
    string(APPEND MIT_TEXT " ${line}\n")
  endif()
endforeach()
string(REGEX REPLACE "\n$" "" MIT_TEXT "${MIT_TEXT}")
configure_file(${SOURCE}/copyright.in ${DEST}/copyright @ONLY)

# The release date, fixed by SOURCE_DATE_EPOCH when it is set, as for any reproducible build.
string(TIMESTAMP DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${SOURCE}/changelog.in ${DEST}/changelog @ONLY)
configure_file(${SOURCE}/tabrazo.6 ${DEST}/tabrazo.6 @ONLY)
foreach(name changelog tabrazo.6)
  execute_process(COMMAND gzip -9nf ${DEST}/${name} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${name} failed")
  endif()
endforeach()
