#!/usr/bin/perl
# Prints a patch log (UTF-16LE) as UTF-8 text, one entry per line, after checking its
# form: the byte order mark FF FE at the start, an even number of bytes, and every entry
# ended by CR LF and one NUL unit. A malformed log is named on stderr and exits with 1.
use strict;
use warnings;
use Encode qw(decode);

@ARGV == 1 or die "usage: patchlog_text.pl <patch log>\n";
my $path = $ARGV[0];
open(my $in, '<:raw', $path) or die "$path: cannot read: $!\n";
my $bytes = do { local $/; <$in> };
close($in);

sub malformed { print STDERR "$path: $_[0]\n"; exit 1; }

malformed('empty file (no byte order mark)') if length($bytes) == 0;
malformed(sprintf('starts with %s, not the byte order mark FF FE',
                  join(' ', map { sprintf('%02X', ord) } split(//, substr($bytes, 0, 2)))))
    unless substr($bytes, 0, 2) eq "\xFF\xFE";
malformed('odd number of bytes') if length($bytes) % 2;

my $text = decode('UTF-16LE', substr($bytes, 2), Encode::FB_CROAK);
my @entries;
while (length $text)
{
    my $end = index($text, "\r\n\0");
    malformed(sprintf('entry %d does not end with CR LF NUL: "%s"', scalar(@entries) + 1,
                      Encode::encode('UTF-8', $text)))
        if $end < 0;
    push @entries, substr($text, 0, $end);
    $text = substr($text, $end + 3);
}
binmode(STDOUT, ':encoding(UTF-8)');
print "$_\n" for @entries;
