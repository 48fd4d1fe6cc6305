# The CI scheduler: .ci/run names the jobs, each with the processor cores it keeps busy and the
# jobs it waits for; ci_run starts every job as soon as those have passed and the cores are
# free, so that downloads, emulation and compiling overlap on a machine with few cores. Each
# job's lines reach the console with its name in front, and build/ci/<job>.log keeps them. At
# the end a table gives each job's start and duration, then the total and how far it is from
# CI's time limit. Sourced by ./dev and by .ci/run.

CI_LIMIT_MINUTES=90                    # a run that takes longer does not land
CI_CPUS=${TALLOWKIT_CI_CPUS:-$(nproc)}  # the cores the jobs share
CI_LOGS=build/ci

CI_JOBS=()
declare -A CI_CMD=() CI_SHOW=() CI_CORES=() CI_AFTER=() CI_STATE=() CI_START=() CI_END=() CI_PID_JOB=()

# ci_job <name> <cores> <jobs it waits for, comma-separated, or -> <command...>
# cores: what the job keeps busy most of its time (0 for one that mostly waits on the network).
ci_job() {
  local name=$1 cores=$2 after=$3; shift 3
  CI_JOBS+=("$name")
  CI_CMD[$name]=$(printf '%q ' "$@")
  CI_SHOW[$name]="$*"
  CI_CORES[$name]=$cores
  CI_AFTER[$name]=${after//,/ }
  [ "$after" = - ] && CI_AFTER[$name]=
  CI_STATE[$name]=waiting
}

ci_clock() { printf '%2d:%02d' $(($1 / 60)) $(($1 % 60)); }

# ci_ready <name>: 0 when every job it waits for has passed, 1 while one runs or waits, 2 when
# one failed (it will never run).
ci_ready() {
  local dep
  for dep in ${CI_AFTER[$1]}; do
    case ${CI_STATE[$dep]:?no job named $dep} in
      passed) ;;
      failed|skipped) return 2 ;;
      *) return 1 ;;
    esac
  done
}

ci_start() {
  local name=$1
  CI_STATE[$name]=running
  CI_START[$name]=$((SECONDS - CI_T0))
  printf '\033[1m#### %s CI job %s: %s\033[0m\n' "$(ci_clock "${CI_START[$name]}")" "$name" "${CI_SHOW[$name]}"
  # its own process group, so that an interrupted run can stop it with everything it started
  setsid -w bash -c "${CI_CMD[$name]}" </dev/null \
    > >(tee "$CI_LOGS/$name.log" | sed -u "s/^/[$name] /") 2>&1 &
  CI_PID_JOB[$!]=$name
}

ci_finish() {  # <pid> <exit status>
  local name=${CI_PID_JOB[$1]} rc=$2
  unset "CI_PID_JOB[$1]"
  CI_END[$name]=$((SECONDS - CI_T0))
  [ "$rc" -eq 0 ] && CI_STATE[$name]=passed || CI_STATE[$name]=failed
  printf '\033[1m#### %s CI job %s %s after %d s\033[0m\n' "$(ci_clock "${CI_END[$name]}")" \
    "$name" "${CI_STATE[$name]}" $((CI_END[$name] - CI_START[$name]))
  # the roots have a /dev of their own: a device node of this machine replaced is a fault
  if [ ! -c /dev/null ]; then
    echo "error: /dev/null stopped being a character device while $name ran" >&2
    CI_STATE[$name]=failed
  fi
}

ci_stop_all() {
  local pid
  for pid in "${!CI_PID_JOB[@]}"; do kill -TERM -- "-$pid" 2>/dev/null || true; done
}

# A failed job's lines come long before the end, between other jobs' lines: its last ones are
# repeated here, where a reader of the end of the output finds them.
ci_failures() {
  local name
  for name in "${CI_JOBS[@]}"; do
    [ "${CI_STATE[$name]}" = failed ] || continue
    printf '\n#### the last lines of failed job %s (all of them: %s/%s.log)\n' "$name" "$CI_LOGS" "$name"
    { grep -E '^(FAILED|ERROR) |^E  |Error|error:|failed' "$CI_LOGS/$name.log" || true; } | tail -n 15 | sed "s/^/[$name] /"
    printf -- '---\n'
    tail -n 25 "$CI_LOGS/$name.log" | sed "s/^/[$name] /"
  done
}

ci_report() {
  local name total=$((SECONDS - CI_T0)) left failed=0
  ci_failures
  printf '\n#### CI job times (start, duration)\n'
  for name in "${CI_JOBS[@]}"; do
    if [ -n "${CI_END[$name]:-}" ]; then
      printf '%-18s %s %6d s  %s\n' "$name" "$(ci_clock "${CI_START[$name]}")" \
        $((CI_END[$name] - CI_START[$name])) "${CI_STATE[$name]}"
    else
      printf '%-18s %s\n' "$name" "${CI_STATE[$name]}"
    fi
    [ "${CI_STATE[$name]}" = passed ] || failed=1
  done
  left=$((CI_LIMIT_MINUTES * 60 - total))
  printf '%-18s %s %6d s\n' total "$(ci_clock $total)" $total
  if [ $left -ge 0 ]; then
    printf 'CI took %d min %d s: %d min %d s inside its %d-minute limit\n' \
      $((total / 60)) $((total % 60)) $((left / 60)) $((left % 60)) $CI_LIMIT_MINUTES
  else
    printf 'CI took %d min %d s: %d min %d s OVER its %d-minute limit\n' \
      $((total / 60)) $((total % 60)) $((-left / 60)) $((-left % 60)) $CI_LIMIT_MINUTES
  fi
  return $failed
}

# ci_run: runs the jobs named by ci_job; fails when any job failed or could not run.
ci_run() {
  CI_T0=$SECONDS
  mkdir -p "$CI_LOGS"
  trap 'ci_stop_all; exit 130' INT TERM
  local name busy pid rc progress
  while :; do
    progress=
    busy=0
    for pid in "${!CI_PID_JOB[@]}"; do busy=$((busy + CI_CORES[${CI_PID_JOB[$pid]}])); done
    for name in "${CI_JOBS[@]}"; do
      [ "${CI_STATE[$name]}" = waiting ] || continue
      rc=0; ci_ready "$name" || rc=$?
      if [ $rc -eq 2 ]; then
        CI_STATE[$name]=skipped; progress=1
        printf '\033[1m#### CI job %s skipped: a job it waits for failed\033[0m\n' "$name"
      elif [ $rc -eq 0 ] && { [ $((busy + CI_CORES[$name])) -le "$CI_CPUS" ] || [ ${#CI_PID_JOB[@]} -eq 0 ]; }; then
        ci_start "$name"; progress=1
        busy=$((busy + CI_CORES[$name]))
      fi
    done
    [ -n "$progress" ] && continue
    [ ${#CI_PID_JOB[@]} -eq 0 ] && break
    rc=0; wait -n -p pid "${!CI_PID_JOB[@]}" || rc=$?
    ci_finish "$pid" "$rc"
  done
  sleep 1   # the last lines of the logs' tee behind each job flush
  ci_report
}

# ---- ./dev ci-fresh [--purge]: CI as a new machine meets it. .ci/run runs in a clean clone of
# HEAD with every cache of the project empty (a cache directory of its own: no Debian roots,
# no interpreter built from source; an empty pip cache), its output kept in $CI_FRESH/ci.log
# and its times printed at the end. --purge first removes the Debian packages that the
# project's commands install on this machine and that a new machine of this kind lacks, so that
# their download and installation are timed too.
CI_FRESH=${TALLOWKIT_CI_FRESH:-/var/tmp/tallowkit-ci-fresh}
CI_NEW_MACHINE_LACKS=(python3-tk python3-wxgtk4.0 xvfb debootstrap qemu-user-static binfmt-support
                      g++-aarch64-linux-gnu g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32)

cmd_ci_fresh() {
  local purge= start=$SECONDS rc=0
  [ "${1:-}" = --purge ] && purge=1
  if [ -n "$purge" ]; then
    local installed; installed=$(dpkg-query -W -f='${binary:Package} ${Status}\n' \
      "${CI_NEW_MACHINE_LACKS[@]}" 2>/dev/null | awk '/ok installed/ { print $1 }')
    [ -e /proc/sys/fs/binfmt_misc/qemu-aarch64 ] && echo -1 > /proc/sys/fs/binfmt_misc/qemu-aarch64
    say "removing what a new machine lacks: $(echo $installed)"
    [ -z "$installed" ] || DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq $installed >/dev/null
    DEBIAN_FRONTEND=noninteractive apt-get autoremove --purge -y -qq >/dev/null
    apt-get clean
  fi
  rm -rf "$CI_FRESH" && mkdir -p "$CI_FRESH/cache" "$CI_FRESH/pip-cache"
  git clone -q "$ROOT" "$CI_FRESH/tree"
  say "CI in a clean clone of $(git rev-parse --short HEAD) at $CI_FRESH/tree, caches in $CI_FRESH/cache"
  ( cd "$CI_FRESH/tree" &&
    CI=true TALLOWKIT_CACHE="$CI_FRESH/cache" PIP_CACHE_DIR="$CI_FRESH/pip-cache" bash .ci/run </dev/null
  ) 2>&1 | tee "$CI_FRESH/ci.log" || rc=$?
  say "./dev ci-fresh took $((SECONDS - start)) s (log: $CI_FRESH/ci.log)"
  return $rc
}
