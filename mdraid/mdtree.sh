# Shell functions that build a tree of md files in the kernel's layout
# (sys/block/mdN/md/..., proc/mdstat) under a folder, for KORVOMD_ROOT on a
# host without md: the demo and the system tests source this file. Every
# file is replaced whole (written beside it, then renamed), so the library
# never reads one half written.
#
#   md_tree_array ROOT md0 raid1 2          a running array with 2 devices
#   md_tree_member ROOT md0 sda1 in_sync 0  a member in slot 0
#   md_tree_set ROOT md0 degraded 1         one md file of an array
#   md_tree_mdstat ROOT                     proc/mdstat from the tree

md_tree_write() { # FILE TEXT
    mkdir -p "$(dirname "$1")"
    printf '%s\n' "$2" >"$1.new"
    mv -f "$1.new" "$1"
}

# A running array of the level with the number of devices: clean, complete,
# idle, members of 1 GiB, 512 KiB chunks where the level stripes.
md_tree_array() { # ROOT NAME LEVEL DEVICES
    local md=$1/sys/block/$2/md level=$3 devices=$4 chunk=524288 data=$4
    [ "$level" != raid1 ] || { chunk=0; data=1; }
    [ "$level" != raid5 ] || data=$((devices - 1))
    [ "$level" != raid6 ] || data=$((devices - 2))
    [ "$level" != raid10 ] || data=$((devices / 2))
    md_tree_write "$md/level" "$level"
    md_tree_write "$md/array_state" clean
    md_tree_write "$md/raid_disks" "$devices"
    md_tree_write "$md/chunk_size" "$chunk"
    md_tree_write "$md/component_size" 1047552
    md_tree_write "$md/metadata_version" 1.2
    md_tree_write "$1/sys/block/$2/size" $((data * 1047552 * 2))
    if [ "$level" != raid0 ] && [ "$level" != linear ]; then
        md_tree_write "$md/degraded" 0
        md_tree_write "$md/sync_action" idle
        md_tree_write "$md/sync_completed" none
        md_tree_write "$md/sync_speed_max" "200000 (system)"
    fi
}

md_tree_member() { # ROOT ARRAY DEVICE STATE SLOT
    local dev=$1/sys/block/$2/md/dev-$3
    md_tree_write "$dev/state" "$4"
    md_tree_write "$dev/slot" "$5"
    md_tree_write "$dev/errors" 0
}

md_tree_set() { # ROOT ARRAY FILE TEXT
    md_tree_write "$1/sys/block/$2/md/$3" "$4"
}

# proc/mdstat as the kernel writes it for the arrays of the tree: members
# with their role and (F) for faulty, (S) for spare, and the device status.
md_tree_mdstat() { # ROOT
    local root=$1 md name level devices status dev member state slot line role
    mkdir -p "$root/proc"
    {
        echo "Personalities : [raid0] [raid1] [raid6] [raid5] [raid4] [raid10]"
        for md in "$root"/sys/block/md*/md; do
            [ -d "$md" ] || continue
            name=$(basename "$(dirname "$md")")
            level=$(cat "$md/level")
            devices=$(cat "$md/raid_disks")
            line="$name : active $level"
            status=$(printf '%*s' "$devices" '' | tr ' ' _)
            role=0
            for dev in "$md"/dev-*; do
                [ -d "$dev" ] || continue
                member=${dev##*/dev-}
                state=$(cat "$dev/state")
                slot=$(cat "$dev/slot")
                case "$state" in
                *faulty*) line+=" $member[$role](F)" ;;
                *in_sync*)
                    line+=" $member[$role]"
                    status=${status:0:slot}U${status:slot+1}
                    ;;
                *) line+=" $member[$role](S)" ;;
                esac
                role=$((role + 1))
            done
            echo "$line"
            if [ -f "$md/degraded" ]; then
                echo "      $(($(cat "$root/sys/block/$name/size") / 2)) blocks super 1.2" \
                    "[$devices/$(tr -cd U <<<"$status" | wc -c)] [$status]"
            else
                echo "      $(($(cat "$root/sys/block/$name/size") / 2)) blocks super 1.2"
            fi
            echo
        done
        echo "unused devices: <none>"
    } >"$root/proc/mdstat.new"
    mv -f "$root/proc/mdstat.new" "$root/proc/mdstat"
}
