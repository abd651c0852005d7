# SPDX-License-Identifier: GPL-3.0-or-later
# `make package`: a Debian package of the installation under /usr, its library
# dependencies worked out from the program (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillary)
set(CPACK_PACKAGE_VENDOR "Quillary")
set(CPACK_PACKAGE_CONTACT "Quillary developers <quillary@quillary.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "phonebook of contact lists")
set(CPACK_PACKAGE_DESCRIPTION "Quillary keeps your contacts in phonebook lists, shows them sorted by name
and lets you edit them in place. It switches, creates and copies lists,
looks up North American telephone area codes and imports contacts from
the address book of Thunderbird, Evolution or GNOME Contacts, or from
vCard files. Each user's lists are kept in ~/.local/share/Quillary.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Debian policy's modes, whatever the umask of the checkout that built it.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quillary.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so shlibdeps cannot see them: the display plugins and the
# font the windows are laid out with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation2")
# Names in Chinese, Japanese and Korean need a font that has their characters.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")
include(CPack)
