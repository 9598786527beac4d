# cmake -DSOURCE=<node_modules/@ruffle-rs/ruffle> -DPIN=<package.json> -DDEST=<folder> -DSTAMP=<file> -P CopyRuffle.cmake
# Copies the Ruffle build that package.json pins into the folder the program is installed from.
# Only what the player loads goes (scripts, WebAssembly, licences); source maps stay behind.
if(NOT EXISTS "${SOURCE}/ruffle.js" OR NOT EXISTS "${SOURCE}/package.json")
  message(FATAL_ERROR "Ruffle is missing from ${SOURCE}. Run `npm ci` in the source folder "
                      "(scripts/install-deps.sh does it) and build again.")
endif()
file(READ "${PIN}" pin_json)
string(JSON wanted GET "${pin_json}" dependencies "@ruffle-rs/ruffle")
file(READ "${SOURCE}/package.json" have_json)
string(JSON have GET "${have_json}" version)
if(NOT have STREQUAL wanted)
  message(FATAL_ERROR "node_modules holds Ruffle ${have} but package.json pins ${wanted}. "
                      "Run `npm ci` in the source folder and build again.")
endif()
file(GLOB files "${SOURCE}/*.js" "${SOURCE}/*.wasm" "${SOURCE}/LICENSE*")
file(REMOVE_RECURSE "${DEST}")
file(COPY ${files} DESTINATION "${DEST}")
file(TOUCH "${STAMP}")
