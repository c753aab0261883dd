# fish completion for kivora-cli: subcommands, their options, and file names.

set -l commands split join test resplit repair add-recovery info plugins fetch check send
# The commands that run an operation and report it as --json or --quiet choose.
set -l reporting split join test resplit repair add-recovery fetch check send
set -l none "not __fish_seen_subcommand_from $commands"

complete -c kivora-cli -f
complete -c kivora-cli -n $none -s h -l help -d 'Print help and exit'
complete -c kivora-cli -n $none -l version -d 'Print the version and exit'
complete -c kivora-cli -n $none -a split -d 'Cut a file into numbered parts'
complete -c kivora-cli -n $none -a join -d 'Join a set back into its source file'
complete -c kivora-cli -n $none -a test -d 'Test every part of a set'
complete -c kivora-cli -n $none -a resplit -d 'Rebuild parts of a set from its source'
complete -c kivora-cli -n $none -a repair -d 'Rebuild lost or damaged files from recovery parts'
complete -c kivora-cli -n $none -a add-recovery -d 'Test a set, then write its recovery parts'
complete -c kivora-cli -n $none -a info -d 'Show a join definition'
complete -c kivora-cli -n $none -a plugins -d 'List the pendant plug-ins'
complete -c kivora-cli -n $none -a fetch -d 'Fetch a set from its addresses, proving every file'
complete -c kivora-cli -n $none -a check -d 'Prove the copies of a set on its hosts'

# Every subcommand: its help; all but plugins take files.
complete -c kivora-cli -n "__fish_seen_subcommand_from $commands" -s h -l help -d 'Print help and exit'
complete -c kivora-cli -n "__fish_seen_subcommand_from split join test resplit repair add-recovery info fetch check" -F
complete -c kivora-cli -n "__fish_seen_subcommand_from split" -a - -d 'Standard input'

complete -c kivora-cli -n "__fish_seen_subcommand_from $reporting" -l json -d 'Print one JSON document on stdout at the end'
complete -c kivora-cli -n "__fish_seen_subcommand_from $reporting" -s q -l quiet -d 'Print nothing but errors'

# Password and plug-in options.
set -l password split join test resplit repair fetch
complete -c kivora-cli -n "__fish_seen_subcommand_from $password" -s p -l password -x -d 'Password of the set'
complete -c kivora-cli -n "__fish_seen_subcommand_from $password" -l password-file -r -F -d 'Read the password from FILE (- for stdin)'
complete -c kivora-cli -n "__fish_seen_subcommand_from join resplit" -l require-encryption -d 'Refuse a set without an authenticated definition'
complete -c kivora-cli -n "__fish_seen_subcommand_from split resplit" -l plugin -r -F -d 'Pendant plug-in (.dll)'
complete -c kivora-cli -n "__fish_seen_subcommand_from split resplit plugins" -l plugin-dir -x -a '(__fish_complete_directories)' -d 'Folder of the pendant plug-ins'
complete -c kivora-cli -n "__fish_seen_subcommand_from split join resplit" -l mkdir -d 'Create the output folder when it is missing'

# split
set -l split "__fish_seen_subcommand_from split"
complete -c kivora-cli -n $split -s o -l output-dir -x -a '(__fish_complete_directories)' -d 'Folder for the parts'
complete -c kivora-cli -n $split -s s -l size -x -d 'Part size in KB (1 to 32767)'
complete -c kivora-cli -n $split -l random -d 'Vary part sizes in pairs (default)'
complete -c kivora-cli -n $split -l no-random -d 'Give every part the same size'
complete -c kivora-cli -n $split -s n -l name -x -d 'Part base name'
complete -c kivora-cli -n $split -l from-one -d 'Number the parts from 01 instead of 00'
complete -c kivora-cli -n $split -s e -l ext -x -d 'Part extension'
complete -c kivora-cli -n $split -l kvr-ext -d 'Name the definition BASE_kvr.EXT'
complete -c kivora-cli -n $split -s c -l comment -x -d 'Comment stored in the definition'
complete -c kivora-cli -n $split -l plain -d 'Do not disguise the parts as pictures'
complete -c kivora-cli -n $split -l implant -d 'Implant the definition in the last part'
complete -c kivora-cli -n $split -l encrypt -d 'Encrypt the parts with the password'
complete -c kivora-cli -n $split -l seed -x -d 'Seed of the random generator'
complete -c kivora-cli -n $split -l recovery -x -d 'Recovery parts per group: R, or P%'
complete -c kivora-cli -n $split -l source-name -x -d 'Name of the source read from standard input'

# join
set -l join "__fish_seen_subcommand_from join"
complete -c kivora-cli -n $join -s o -l output-dir -x -a '(__fish_complete_directories) -' -d 'Folder of the joined file (- for stdout)'
complete -c kivora-cli -n $join -l output -r -F -d 'Path of the joined file'
complete -c kivora-cli -n $join -l skip-missing -d 'Go on when a part is missing'
complete -c kivora-cli -n $join -l force-corrupt -d 'Join a part whose checksum does not match'
complete -c kivora-cli -n $join -l overwrite -d 'Replace an existing joined file'
complete -c kivora-cli -n $split -l overwrite -d 'Replace a file of a part or definition name that belongs to no set'

# resplit
set -l resplit "__fish_seen_subcommand_from resplit"
complete -c kivora-cli -n $resplit -s o -l output-dir -x -a '(__fish_complete_directories)' -d 'Folder for the rebuilt parts'
complete -c kivora-cli -n $resplit -l parts -x -d 'Part indices from 0, e.g. 0,3,5-7'
complete -c kivora-cli -n $resplit -l all -d 'Rebuild every part'

# repair, info, plugins
complete -c kivora-cli -n "__fish_seen_subcommand_from repair" -l dry-run -d 'Only check and say what would be rebuilt'
complete -c kivora-cli -n "__fish_seen_subcommand_from info" -l json -d 'Print one JSON object'
complete -c kivora-cli -n "__fish_seen_subcommand_from plugins" -l json -d 'Print one JSON document'

# fetch
set -l fetch "__fish_seen_subcommand_from fetch"
complete -c kivora-cli -n $fetch -s o -l output-dir -x -a '(__fish_complete_directories)' -d 'Folder the set is fetched into'
complete -c kivora-cli -n $fetch -l join -d 'Rebuild what no address served, then join the set'
complete -c kivora-cli -n $fetch -l overwrite -d 'With --join, replace an existing joined file'
complete -c kivora-cli -n $fetch -l jobs -x -d 'Transfers at once (default 4)'
complete -c kivora-cli -n $fetch -l stall-timeout -x -d 'Seconds a transfer may bring nothing (default 60)'
# send
set -l send "__fish_seen_subcommand_from send"
complete -c kivora-cli -n $none -a send -d 'Send a set to hosts, each file proved there, and write its lists'
complete -c kivora-cli -n $send -l to -x -d 'A folder address to send to (repeatable)'
complete -c kivora-cli -n $send -l hosts -r -F -d 'A hosts file only its owner can read'
complete -c kivora-cli -n $send -l copies -x -a all -d 'Every file on every host'
complete -c kivora-cli -n $send -l spread -d 'Spread the files so that any one host may vanish'
complete -c kivora-cli -n $send -l max-size -x -d 'Largest file a host takes'
complete -c kivora-cli -n $send -l list-dir -x -a '(__fish_complete_directories)' -d 'Folder of the lists'
complete -c kivora-cli -n $send -l jobs -x -d 'Transfers at once (default 4)'
# How the hosts of sftp:// and s3:// addresses are reached (fetch, check, send)
set -l hosts "__fish_seen_subcommand_from fetch check send"
complete -c kivora-cli -n $hosts -l s3-endpoint -x -d 'Endpoint of s3:// addresses'
complete -c kivora-cli -n $hosts -l s3-region -x -d 'Region s3:// requests are signed for'
complete -c kivora-cli -n $hosts -l ssh-key -r -F -d 'Private key for sftp://'
complete -c kivora-cli -n $hosts -l ssh-host-key -x -d 'SHA256 fingerprint the sftp:// host key must have'
complete -c kivora-cli -n $hosts -l known-hosts -r -F -d 'known_hosts file for sftp:// host keys'
