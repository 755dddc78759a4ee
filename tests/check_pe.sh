#!/bin/sh
# Inspects the shipping patch8108.exe: PE32 for i386, GUI subsystem,
# the elevating manifest, only system DLLs imported, and the string table holding every
# id under every language it must, with the texts of the resource script.
# Usage: check_pe.sh <patch8108.exe> <patch8108.rc> <llvm-readobj>
set -eu
exe=$1
rc=$2
[ -f "$exe" ] || { echo "FAIL: $exe does not exist"; exit 1; }
[ -f "$rc" ] || { echo "FAIL: $rc does not exist"; exit 1; }
readobj=${3:?usage: check_pe.sh <patch8108.exe> <patch8108.rc> <llvm-readobj>}
failed=0
fail() { echo "FAIL: $*"; failed=1; }

headers=$("$readobj" --file-headers "$exe")
echo "$headers" | grep -q 'Machine: IMAGE_FILE_MACHINE_I386 (0x14C)' || fail "not an i386 image"
echo "$headers" | grep -q 'Magic: 0x10B' || fail "not PE32 (optional header magic 0x10B)"
echo "$headers" | grep -q 'Subsystem: IMAGE_SUBSYSTEM_WINDOWS_GUI (0x2)' || fail "subsystem is not GUI (2)"

# Imports: system DLLs only, no runtime DLL of the compiler.
dlls=$("$readobj" --coff-imports "$exe" | sed -n 's/^ *Name: \(.*\.dll\)$/\1/Ip')
[ -n "$dlls" ] || fail "no imports found"
for dll in $dlls; do
    case $(echo "$dll" | tr 'A-Z' 'a-z') in
    kernel32.dll | user32.dll | advapi32.dll | msvcrt.dll | api-ms-*) ;;
    *) fail "imports $dll, which is not a system DLL" ;;
    esac
done

# Resources: manifest and string table, compared with the resource script.
"$readobj" --coff-resources "$exe" | perl -e '
use strict; use warnings; use Encode qw(decode);
my ($rc) = @ARGV;
my ($type, $name, $lang, $indata) = ("", -1, -1, 0);
my %res;    # "type/name/lang" => bytes
while (my $line = <STDIN>) {
    if ($line =~ /^\s*Type: .*\(ID (\d+)\)/) { $type = $1; next; }
    if ($line =~ /^\s*Name: .*\(ID (\d+)\)/) { $name = $1; next; }
    if ($line =~ /^\s*Language: .*\(ID (\d+)\)/) { $lang = $1; $indata = 0; next; }
    if ($line =~ /^\s*Data \($/) { $indata = 1; $res{"$type/$name/$lang"} = ""; next; }
    if ($indata && $line =~ /^\s*\)$/) { $indata = 0; next; }
    if ($indata && $line =~ /^\s*[0-9A-F]+: ((?:[0-9A-F]+ ?)+?)\s*\|/) {
        (my $hex = $1) =~ s/\s//g;
        $res{"$type/$name/$lang"} .= pack("H*", $hex);
    }
}
my $failed = 0;
sub fail { print "FAIL: @_\n"; $failed = 1; }

my @manifests = grep { m{^24/1/} } keys %res;
if (!@manifests) { fail("no RT_MANIFEST resource with id 1"); }
for my $m (@manifests) {
    my $xml = $res{$m};
    fail("manifest does not request requireAdministrator")
        unless $xml =~ /requestedExecutionLevel\s+level="requireAdministrator"\s+uiAccess="false"/;
}

# The string of id in language lang, undef when its block is missing.
sub text {
    my ($id, $lang) = @_;
    my $block = int($id / 16) + 1;
    my $data = $res{"6/$block/$lang"};
    return undef unless defined $data;
    my $pos = 0;
    for my $i (0 .. 15) {
        return "" if $pos + 2 > length $data;
        my $len = unpack("v", substr($data, $pos, 2));
        $pos += 2;
        my $s = substr($data, $pos, 2 * $len);
        $pos += 2 * $len;
        return decode("UTF-16LE", $s) if $i == $id % 16;
    }
}

my @all = (1028, 1030, 1031, 1033, 1035, 1036, 1040, 1041, 1042, 1043, 1044, 1046, 1053, 2052, 2070, 3082);
my @messages = map { $_ == 1028 ? 4 : $_ == 1031 ? 7 : $_ } @all;
my %expected;    # "id/lang" => 1
$expected{"120/$_"} = 1 for @all;
for my $id (1120, 1130, 1140, 1160, 1170, 1180, 1200) { $expected{"$id/$_"} = 1 for @messages; }
$expected{"1121/$_"} = 1 for (1033, 2052);
my %langs = map { $_ => 1 } (@all, @messages);
for my $id (120, 1120, 1121, 1130, 1140, 1160, 1170, 1180, 1200) {
    for my $lang (sort { $a <=> $b } keys %langs) {
        my $t = text($id, $lang);
        my $has = defined $t && length $t;
        if ($expected{"$id/$lang"} && !$has) { fail("string $id missing under language $lang"); }
        if (!$expected{"$id/$lang"} && $has) { fail("string $id present under language $lang"); }
    }
}
# No string blocks or languages beyond those.
for my $k (keys %res) {
    my ($t, $n, $l) = split m{/}, $k;
    next unless $t == 6;
    fail("string block $n under unexpected language $l") unless $langs{$l};
}

# Every text of the script, decoded from UTF-8, must be in the image unchanged.
my $dir = $rc; $dir =~ s{[^/]*$}{}; $dir = "./" if $dir eq "";
my %define;
open(my $h, "<", "${dir}resource.h") or die "cannot read ${dir}resource.h";
while (<$h>) { $define{$1} = $2 if /^\s*#define\s+(\w+)\s+(\d+)/; }
open(my $f, "<:encoding(UTF-8)", $rc) or die "cannot read $rc";
my ($cur, $count) = (-1, 0);
while (my $line = <$f>) {
    if ($line =~ /^\s*LANGUAGE\s+(\w+)\s*,\s*(\w+)/) { $cur = (oct($2) << 10) | oct($1); next; }
    next unless $line =~ /^\s*(\w+)\s*,?\s*L?"((?:[^"]|"")*)"\s*$/;
    my ($sym, $want) = ($1, $2);
    $want =~ s/""/"/g;
    my $id = $sym =~ /^\d+$/ ? $sym : $define{$sym};
    if (!defined $id) { fail("unknown id $sym in $rc"); next; }
    my $got = text($id, $cur);
    $count++;
    fail("string $id under language $cur differs from the script") unless defined $got && $got eq $want;
}
fail("no strings read from $rc") unless $count;
print "checked $count strings of the script\n";
exit $failed;
' "$rc" || failed=1

if [ "$failed" -ne 0 ]; then
    echo "$exe: inspection FAILED"
    exit 1
fi
echo "$exe: PE32 i386 GUI, elevating manifest, system imports only, string table complete"
