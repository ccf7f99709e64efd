# Fetches one URL for oracle-setup.sh through CMake's libcurl, which honours https_proxy and
# no_proxy and checks the server against the system's certificates. Prints curl's status as
# "CODE TEXT" (0 when it worked) and leaves judging it to the caller.
#   cmake -DURL=... -DOUT=file -DTIMEOUT=seconds -P oracle-fetch.cmake
file(DOWNLOAD "${URL}" "${OUT}" STATUS status TIMEOUT ${TIMEOUT} INACTIVITY_TIMEOUT 15 TLS_VERIFY ON)
list(GET status 0 code)
list(GET status 1 text)
string(REPLACE "\"" "" text "${text}")
message(NOTICE "${code} ${text}")
