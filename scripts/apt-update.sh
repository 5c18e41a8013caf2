#!/usr/bin/env bash
# Sourced by the set-up scripts: refreshes apt's package indexes. A mirror in the middle of a sync
# answers one index with the wrong size, so the update is retried after a pause; an index that still
# fails is left to apt-get install, which names any package it then cannot find.
apt_update() {
  local attempt
  for attempt in 1 2 3; do
    if apt-get update -q; then
      return 0
    fi
    if [ "$attempt" -lt 3 ]; then
      echo "setup: apt-get update failed (attempt ${attempt} of 3); retrying in $((attempt * 10)) s" >&2
      sleep $((attempt * 10))
    fi
  done
  echo "setup: some package indexes could not be refreshed; installing from those that were" >&2
  return 0
}
