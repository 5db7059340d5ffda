# cpack -G DEB: one package with the programs, the libraries and their headers.
