int travixwz_stamped(void) { return 1; }
