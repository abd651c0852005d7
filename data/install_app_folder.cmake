# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the data files into the application folder without clobbering user data.
file(COPY_FILE ${GEN}/Template.dat ${APP}/Template.dat ONLY_IF_DIFFERENT)
if(NOT EXISTS ${APP}/Quillary.mdb)
    file(COPY_FILE ${GEN}/Template.dat ${APP}/Quillary.mdb)
endif()
if(NOT EXISTS ${APP}/plist.ini)
    file(COPY_FILE ${SRC}/plist.ini ${APP}/plist.ini)
endif()
if(NOT EXISTS ${APP}/AreaCodes.dat AND NOT EXISTS ${APP}/AreaCodes.mdb)
    file(COPY_FILE ${GEN}/AreaCodes.dat ${APP}/AreaCodes.dat)
endif()
