#!/usr/bin/env bash
# Compares the POSIX private-profile functions with Wine's
# GetPrivateProfileIntA, GetPrivateProfileStringA and
# WritePrivateProfileStringA: the same files and the
# same queries through profile_probe, built natively and for Windows.
#
#   tools/wintest/profile-compare.sh NATIVE_PROBE WINDOWS_PROBE.exe WORK_DIR
#
# Needs the Wine environment (WINEPREFIX...) of the caller. Prints
# "ok name" or "FAIL name: detail" per query and "N passed, N failed".
set -uo pipefail

native_probe="$1"
windows_probe="$2"
work="$3"
rm -rf "$work"
mkdir -p "$work/files"

write() { printf "$2" > "$work/files/$1"; }

write basic.ini '[Oriel Brindle Texture Library]\nfId=3\nprv=0\ntOn=1\n'
write spaces.ini '  [Sec]  \n\n   key1 = 12  \n key2=   7\nKEY3 =\n\tk4\t=\t4\t\n'
write duplicates.ini '[S]\na=1\na=2\n[s]\na=3\nb=4\n'
write values.ini '[S]\nv1=12abc\nv2=abc\nv3=-5\nv4=+8\nv5="42"\nv6='"'"'9'"'"'\nv7\n= 3\nv9=007\nv10=4294967297\nv11=  \nv12=0x1F\nv13=0b101\nv14=0o17\nv15=0x\nv16=-0x10\nv17=0000000000000000000000000000001\n'
write no-final-newline.ini '[S]\r\nx=5\r\ny=6'
write crlf.ini '[A]\r\n\r\nk=1\r\n[B]\r\nk=2\r\n'
write blank-lines.ini '\n\n[S]\n\n\nk=3\n\n'
write case.ini '[oriel BRINDLE texture library]\nPRV=2\n'
write brackets.ini '[S] trailing\nk=1\n[ T ]\nk=2\n[U\nk=3\n'
write comments.ini '; comment\n[S]\n;k=1\nk=2\n'

cat > "$work/queries.txt" <<'QUERIES'
R|basic.ini|Oriel Brindle Texture Library|fId|1
R|basic.ini|Oriel Brindle Texture Library|prv|1
R|basic.ini|Oriel Brindle Texture Library|tOn|7
R|basic.ini|Oriel Brindle Texture Library|missing|1
R|basic.ini|Other Section|fId|5
R|missing-file.ini|Oriel Brindle Texture Library|fId|1
R|spaces.ini|Sec|key1|99
R|spaces.ini|sec|KEY2|99
R|spaces.ini| Sec |key3|99
R|spaces.ini|Sec|k4|99
R|duplicates.ini|S|a|99
R|duplicates.ini|s|b|99
R|values.ini|S|v1|99
R|values.ini|S|v2|99
R|values.ini|S|v3|99
R|values.ini|S|v4|99
R|values.ini|S|v5|99
R|values.ini|S|v6|99
R|values.ini|S|v7|99
R|values.ini|S||99
R|values.ini|S|v9|99
R|values.ini|S|v10|99
R|values.ini|S|v11|99
R|values.ini|S|v1|-1
R|values.ini|S|v12|99
R|values.ini|S|v13|99
R|values.ini|S|v14|99
R|values.ini|S|v15|99
R|values.ini|S|v16|99
R|values.ini|S|v17|99
R|no-final-newline.ini|S|x|99
R|no-final-newline.ini|S|y|99
R|crlf.ini|A|k|99
R|crlf.ini|B|k|99
R|blank-lines.ini|S|k|99
R|case.ini|Oriel Brindle Texture Library|prv|1
R|brackets.ini|S|k|99
R|brackets.ini|S] trailing|k|99
R|brackets.ini|T|k|99
R|brackets.ini|U|k|99
R|comments.ini|S|k|99
S|values.ini|S|v3|64
S|values.ini|S|v5|64
S|values.ini|S|v6|64
S|values.ini|S|v7|64
S|values.ini|S|v11|64
S|values.ini|S|v16|64
S|values.ini|S|v1|4
S|values.ini|S|missing|64
S|missing-file.ini|S|v1|64
S|spaces.ini|Sec|k4|64
S|spaces.ini|Sec|KEY3|64
W|crlf.ini|A|k|9
R|crlf.ini|A|k|99
R|crlf.ini|B|k|99
W|new.ini|Oriel Brindle Texture Library|prv|2
W|new.ini|Oriel Brindle Texture Library|fVw|1
W|new.ini|oriel brindle texture library|PRV|1
R|new.ini|Oriel Brindle Texture Library|prv|99
R|new.ini|Oriel Brindle Texture Library|fVw|99
W|duplicates.ini|S|a|7
R|duplicates.ini|S|a|99
R|duplicates.ini|s|b|99
W|no-final-newline.ini|S|z|8
R|no-final-newline.ini|S|z|99
R|no-final-newline.ini|S|y|99
W|basic.ini|Other|k|1
R|basic.ini|Other|k|99
R|basic.ini|Oriel Brindle Texture Library|fId|1
W|basic.ini|Oriel Brindle Texture Library|prv|(null)
R|basic.ini|Oriel Brindle Texture Library|prv|99
W|basic.ini|Other|(null)|(null)
R|basic.ini|Other|k|99
QUERIES

cp -r "$work/files" "$work/native"
cp -r "$work/files" "$work/windows"
"$native_probe" "$work/native" "$work/queries.txt" > "$work/native.out" 2>&1
windows_dir="Z:${work//\//\\}\\windows"
windows_queries="Z:${work//\//\\}\\queries.txt"
timeout -k 10 120 wine "$windows_probe" "$windows_dir" "$windows_queries" 2>/dev/null |
  tr -d '\r' > "$work/windows.out"

passed=0
failed=0
if [ ! -s "$work/native.out" ] || [ ! -s "$work/windows.out" ]; then
  echo "FAIL profile probes: no answers (native $(wc -l < "$work/native.out"), windows $(wc -l < "$work/windows.out"))"
  failed=1
else
  while IFS= read -r native_line <&3 && IFS= read -r windows_line <&4; do
    query="${native_line% -> *}"
    if [ "$native_line" = "$windows_line" ]; then
      passed=$((passed + 1))
      echo "ok profile $query -> ${native_line##* -> }"
    else
      failed=$((failed + 1))
      echo "FAIL profile $query: native ${native_line##* -> }, windows ${windows_line##* -> }"
    fi
  done 3< "$work/native.out" 4< "$work/windows.out"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
