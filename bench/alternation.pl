#!/usr/bin/perl
# The comparison's perl: one alternation of all find texts of a DEFS.tsv (case-sensitive,
# literal, no whole-word test), each match replaced by its definition's replacement.
#   perl alternation.pl DEFS.tsv INPUT > OUTPUT
use strict;
use warnings;

my (%replacement, @finds);
open(my $defs, '<:raw', $ARGV[0]) or die "$ARGV[0]: $!";
while (my $line = <$defs>) {
    $line =~ s/\r?\n\z//;
    my ($find, $replace) = split /\t/, $line, -1;
    next if !defined $find || $find eq '';
    push @finds, $find;
    $replacement{$find} = $replace // '';
}
close $defs;
my $pattern = join '|', map { quotemeta } @finds;
my $regex = qr/($pattern)/;

local $/;
open(my $in, '<:raw', $ARGV[1]) or die "$ARGV[1]: $!";
my $text = <$in>;
close $in;
$text =~ s/$regex/$replacement{$1}/g;
binmode STDOUT;
print $text;
