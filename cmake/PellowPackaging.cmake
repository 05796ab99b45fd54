# Debian packages through CPack: pellow (the app component) and pellow-sync-server (the server
# component), each with its dependencies computed by dpkg-shlibdeps. scripts/package.sh builds
# them from a Release tree configured with -DCMAKE_INSTALL_PREFIX=/usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pellow)
set(CPACK_PACKAGE_VENDOR "Pellow developers")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${PELLOW_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL app)
if(PELLOW_BUILD_SERVER)
    list(APPEND CPACK_COMPONENTS_ALL server)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PELLOW_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://pellow.app")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(CPACK_DEBIAN_APP_PACKAGE_NAME pellow)
set(CPACK_DEBIAN_APP_PACKAGE_SECTION utils)
# The plugins Qt loads at run time (xcb, SVG icons, the media back ends) ship in the very library
# packages dpkg-shlibdeps finds, so it needs no help here.
# Pellow runs the sync server itself for a phone on the local network.
set(CPACK_DEBIAN_APP_PACKAGE_RECOMMENDS "pellow-sync-server")
set(CPACK_COMPONENT_APP_DESCRIPTION
    "tray timer with named countdowns and stopwatches
Pellow lives in the system tray: a short list of named countdowns and
stopwatches, with the running clock beside the tray icon. It plays a sound
and shows a notification at the halfway point, at chosen minutes-left marks
and when a timer ends. A floating HUD shows every timer at a glance, and the
timer list can be synced with a phone through a sync server.")

set(CPACK_DEBIAN_SERVER_PACKAGE_NAME pellow-sync-server)
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION net)
# Qt's SQL drivers are plugins, out of dpkg-shlibdeps' sight: SQLite is the default database.
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_SERVER_PACKAGE_SUGGESTS "libqt6sql6-psql")
set(CPACK_COMPONENT_SERVER_DESCRIPTION
    "self-hostable sync service for Pellow
pellow-sync-server keeps each paired group's timer list for Pellow and its
phone page, over HTTPS or behind a reverse proxy, with SQLite or PostgreSQL.
A systemd unit runs it as a dynamic user with its database under
/var/lib/pellow-sync.")

include(CPack)
