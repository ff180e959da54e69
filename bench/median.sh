# The median of the numbers on standard input, one a line: what the
# benchmarks that time whole programs in rounds report.
# Usage: . bench/median.sh; median <times
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
