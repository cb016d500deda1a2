# Installation layout, desktop integration and the Debian package.
