/* Carries only the file name of another GTK version (its soname), so that
   the plug-in's refusal to load GTK 3 beside it can be shown without it. */
int quorvix_fake_gtk_marker(void) { return 0; }
