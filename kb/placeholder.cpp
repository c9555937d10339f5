// Replaced as the library's first classes land.
