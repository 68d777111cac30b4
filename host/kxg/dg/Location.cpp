// Filled in shortly.
