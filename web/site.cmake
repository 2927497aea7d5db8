# SPDX-License-Identifier: GPL-3.0-or-later
# Lays out the site: SOURCE's page files, MODULE's tarvo-page.js and .wasm, WORKER's
# tarvo-worker.js and .wasm, NEC2C's nec2c.js and .wasm and the ICON, in SITE.
# The service worker's cache is named by the hash of every other file, so that any change makes
# a new cache that replaces the old one on the next visit.
file(REMOVE_RECURSE ${SITE})
file(MAKE_DIRECTORY ${SITE})
set(files index.html page.css page.js worker.js manifest.webmanifest)
foreach(name ${files})
    file(COPY_FILE ${SOURCE}/${name} ${SITE}/${name})
endforeach()
file(COPY_FILE ${MODULE}/tarvo-page.js ${SITE}/tarvo-page.js)
file(COPY_FILE ${MODULE}/tarvo-page.wasm ${SITE}/tarvo-page.wasm)
foreach(name tarvo-worker.js tarvo-worker.wasm)
    file(COPY_FILE ${WORKER}/${name} ${SITE}/${name})
endforeach()
foreach(name nec2c.js nec2c.wasm)
    file(COPY_FILE ${NEC2C}/${name} ${SITE}/${name})
endforeach()
file(COPY_FILE ${ICON} ${SITE}/tarvo.svg)
list(APPEND files tarvo-page.js tarvo-page.wasm tarvo-worker.js tarvo-worker.wasm nec2c.js nec2c.wasm
     tarvo.svg)
set(contents "")
foreach(name ${files})
    file(SHA256 ${SITE}/${name} hash)
    string(APPEND contents "${name} ${hash}\n")
endforeach()
string(SHA256 version "${contents}")
string(SUBSTRING ${version} 0 16 version)
file(READ ${SOURCE}/sw.js worker)
string(REPLACE "@CACHE_VERSION@" "${version}" worker "${worker}")
file(WRITE ${SITE}/sw.js "${worker}")
