# cmake -DEPOCH_FILE=<file> -DTEMPLATE=<.in> -DOUTPUT=<INF> -DVERSION=<a.b.c.d> -P make_inf.cmake
# Writes the driver package's INF from its template, with DriverVer: the release's date (the file
# that tools/medium/source_date.cmake writes: the time of the commit built) and the project's
# version. Two builds of one commit give the same file, whenever they run.
file(READ ${EPOCH_FILE} epoch)
set(ENV{SOURCE_DATE_EPOCH} ${epoch})
string(TIMESTAMP DRIVER_DATE "%m/%d/%Y" UTC)  # at SOURCE_DATE_EPOCH
set(DRIVER_VERSION ${VERSION})
configure_file(${TEMPLATE} ${OUTPUT} @ONLY NEWLINE_STYLE CRLF)
