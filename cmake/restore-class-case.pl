# windres stores the window class names of dialog controls upper-cased; put the
# list view's back as the templates spell it. Edits a .res file in place.
binmode STDIN;
binmode STDOUT;
my $upper = join "\0", split //, "SYSLISTVIEW32";
my $mixed = join "\0", split //, "SysListView32";
s/\Q$upper\E\0\0\0/$mixed\0\0\0/g;
