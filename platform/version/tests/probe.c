/* A library whose only purpose is to carry a version block. */
int version_probe(void) { return 1; }
